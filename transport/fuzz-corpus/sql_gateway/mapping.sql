SELECT Goods.Unit AS src, Units.Ident AS inf
 FROM Goods INNER JOIN Units ON Goods.Unit = Units.Ident
 WHERE Goods.Good='xxx'