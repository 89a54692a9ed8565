UPDATE Goods SET Goods.Unit = 'it''s' WHERE Goods.Unit = 'x' AND Goods.Created BETWEEN #01/02/2024# AND #12/31/2024 10:20:30#
INSERT INTO T (a) VALUES ('a
b;c')
