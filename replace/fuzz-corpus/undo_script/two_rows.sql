-- Morvane undo script
-- table: Goods
-- field: Unit
-- key: Good
UPDATE Goods SET Goods.Unit = 'шт.' WHERE Goods.Good = 'G0001' AND Goods.Unit = 'шт';
UPDATE Goods SET Goods.Unit = 'it''s' WHERE Goods.Good = 'G0002' AND Goods.Unit = 'шт';
