ab        SELECT [x], "y" /* c */ FROM t -- d
; WITH x AS (SELECT 1)
SELECT * FROM x