# ZQBUILD.BAT: the steps of the build batches ZQA.BAT, ZQA2.BAT and ZQA3.BAT, which name the
# PLC core in $core (ZQCORE2 or ZQCORE3) and read this file. They run in the studio's folder,
# where the studio has just written the translated program, the macro library, the options
# header and the program backup, and leave the listing $core.LST, the image ZQOUT.HEX and,
# with source upload on, the archive UPFILE.ZIP.
# The build stops at the first step that fails, with that step's exit status: the linker
# never runs on an object the assembler did not make, nor the zip after a failed link.
here=$(dirname "$0")
tool() { if [ -x "$here/$1" ]; then echo "$here/$1"; else echo "$1"; fi; }

rm -f "$core.r71" ZQOUT.HEX || exit
# aq71 ends with 1 when it only counted warnings (its option for that); 2 and 3 are failures.
"$(tool aq71)" -S -v3 "$core.S71" -l "$core.LST"
status=$?
[ "$status" -le 1 ] || exit "$status"
"$(tool zqlink)" -Z CODE=0-1FFFF -o ZQOUT.HEX "$core.r71" || exit
if grep -q '^#define COMP_OPTION3 1' 'QSKLREN.$$$'; then
  rm -f UPFILE.ZIP || exit
  zip -q -X UPFILE.ZIP 'QSKLBK.$$$' || exit
fi
exit 0
