# cmake -DIN=<file> -DOUT=<file> -P CrLf.cmake
# Copies a text with every line ending as CR LF: the licence page shows the text in a
# multi-line edit control, which breaks lines only there. A byte-order mark stays as it is.
file(READ ${IN} content)
string(REPLACE "\r\n" "\n" content "${content}")
string(REPLACE "\n" "\r\n" content "${content}")
file(WRITE ${OUT} "${content}")
