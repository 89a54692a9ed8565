-- The values benchmarks' database: Goods of 1,000,000 rows whose Unit holds
-- 50,000 distinct values, each on 20 rows, and Units of 1,000 allowed values
-- ("mera000" .. "mera999", with a full name). Per allowed value there are 50
-- messy spellings: upper case, a trailing dot, one letter added (a suggestion
-- at distance 1), two letters added (distance 2), and letters added that
-- reach no allowed value. Run with: sqlite3 FILE < values_db.sql
CREATE TABLE Units(Ident TEXT PRIMARY KEY, name TEXT);
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 999)
INSERT INTO Units SELECT printf('mera%03d', i), 'единица измерения ' || i FROM n;
CREATE TABLE Goods(Good INTEGER PRIMARY KEY, Unit TEXT);
-- Value j: spelling k = j / 1000 of allowed value j % 1000.
CREATE TEMP TABLE spelling(j INTEGER PRIMARY KEY, v TEXT);
WITH RECURSIVE n(j) AS (SELECT 0 UNION ALL SELECT j + 1 FROM n WHERE j < 49999)
INSERT INTO spelling SELECT j,
  CASE
    WHEN j / 1000 = 0 THEN upper(printf('mera%03d', j % 1000))
    WHEN j / 1000 = 1 THEN printf('mera%03d.', j % 1000)
    WHEN j / 1000 < 27 THEN printf('mera%03d', j % 1000) || char(1070 + j / 1000)
    WHEN j / 1000 < 40 THEN printf('mera%03d', j % 1000) || char(1060 + j / 1000, 1061 + j / 1000)
    ELSE printf('mera%03d', j % 1000) || 'xyzw' || char(1040 + j / 1000)
  END FROM n;
WITH RECURSIVE r(g) AS (SELECT 0 UNION ALL SELECT g + 1 FROM r WHERE g < 999999)
INSERT INTO Goods SELECT g, (SELECT v FROM spelling WHERE j = g % 50000) FROM r;
