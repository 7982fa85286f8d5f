# ZQA.BAT: builds the PLC program for the model codes 1, 3, 4 and 5 (ZQV-E, ZQV-F, ZQV-C, ZQV-D).
# Started by the studio with /bin/sh in its folder, where it has just written the translated
# program, the macro library, the options header and the program backup. Leaves the listing
# ZQCORE3.LST, the image ZQOUT.HEX and, with source upload on, the archive UPFILE.ZIP.
here=$(dirname "$0")
tool() { if [ -x "$here/$1" ]; then echo "$here/$1"; else echo "$1"; fi; }

rm -f ZQCORE3.r71 ZQOUT.HEX
"$(tool aq71)" -S -v3 ZQCORE3.S71 -l ZQCORE3.LST
"$(tool zqlink)" -Z CODE=0-1FFFF -o ZQOUT.HEX ZQCORE3.r71
if grep -q '^#define COMP_OPTION3 1' 'QSKLREN.$$$'; then
  rm -f UPFILE.ZIP
  zip -q -X UPFILE.ZIP 'QSKLBK.$$$'
fi
