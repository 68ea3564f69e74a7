// A syntax error on line 3 stops only this file.
ran.push("broken");
var x = (;
