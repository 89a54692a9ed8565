-- Adds {{ROWS}} generated goods (keys N1, N2, ...) with units spelled as in
-- the demo data. {{CREATED}} is the back end's expression for a date that
-- is n % 1800 days after 2020-01-01 (SQLite has no date type; PostgreSQL
-- adds days to a date, MariaDB an interval):
--   SQLite:     date('2020-01-01', '+' || (n % 1800) || ' days')
--   PostgreSQL: DATE '2020-01-01' + (n % 1800)
--   MariaDB:    DATE '2020-01-01' + INTERVAL (n % 1800) DAY
-- (MariaDB also needs max_recursive_iterations above {{ROWS}} and || as
-- concatenation, which the transport's session mode gives.)
INSERT INTO Goods (Good, Title, Unit, Created, Price, Active)
WITH RECURSIVE seq(n) AS (
  SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < {{ROWS}}
), spelling(k, u) AS (
  VALUES (0, 'шт'), (1, 'шт.'), (2, 'Шт'), (3, 'ШТ.'), (4, 'штук'), (5, 'щт'), (6, 'шт '),
         (7, 'кг'), (8, 'кг.'), (9, 'КГ'), (10, 'килограмм'), (11, 'kg'), (12, 'л'),
         (13, 'л.'), (14, 'литр'), (15, 'м'), (16, 'м.'), (17, 'метр'), (18, 'м2'),
         (19, 'кв.м'), (20, 'м3'), (21, 'куб.м'), (22, 'упак'), (23, 'уп.'), (24, 'упаковка'),
         (25, 'компл'), (26, 'к-т'), (27, 'пар'), (28, 'пара'), (29, 'рул'), (30, 'рул.'),
         (31, 'лист'), (32, 'бут'), (33, 'пач'), (34, 'т'), (35, 'тн'), (36, 'г'), (37, 'гр'),
         (38, 'пог.м'), (39, 'п.м')
)
SELECT 'N' || n, 'Товар номер ' || n, u, {{CREATED}}, (n % 100000) / 100.0, (n % 7) <> 0
FROM seq JOIN spelling ON spelling.k = n % 40;
