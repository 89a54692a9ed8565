SELECT DISTINCT Unit FROM Goods -- x
UPDATE Goods SET Goods.Unit = 'a' WHERE (Goods.Unit <> 'b' OR NOT Good != 'c')