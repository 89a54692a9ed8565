-- Demo database of Morvane: units of measure and the tables whose unit
-- fields the wizard cleans up. One schema for SQLite, PostgreSQL and MariaDB:
-- the declared types are understood by all (SQLite keeps dates as ISO texts;
-- MariaDB makes BOOLEAN a TINYINT(1) and NUMERIC a DECIMAL, and its tables
-- InnoDB in the database's character set and collation).
-- Names are unquoted, so PostgreSQL folds them to lower case and the
-- program's unquoted SQL finds them.

CREATE TABLE Units (
  Ident VARCHAR(10) NOT NULL PRIMARY KEY, -- canonical short name, the allowed value
  name VARCHAR(60) NOT NULL,              -- full name shown in the drop-down
  Code INTEGER,                           -- national classifier code, where there is one
  Kind VARCHAR(20)                        -- what the unit measures
);

CREATE TABLE Goods (
  Good VARCHAR(20) NOT NULL PRIMARY KEY,  -- article number, a text key
  Title VARCHAR(100) NOT NULL,
  Unit VARCHAR(20),                       -- unit as typed by people: messy
  Created DATE NOT NULL,
  Price NUMERIC(12, 2),
  Active BOOLEAN
);

CREATE TABLE Parts (
  Part VARCHAR(20) NOT NULL PRIMARY KEY,
  Good VARCHAR(20) NOT NULL REFERENCES Goods (Good),
  Title VARCHAR(100) NOT NULL,
  Unit VARCHAR(20),
  Qty DOUBLE PRECISION
);

CREATE INDEX Goods_Unit ON Goods (Unit);
CREATE INDEX Parts_Unit ON Parts (Unit);
