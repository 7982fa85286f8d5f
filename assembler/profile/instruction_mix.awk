# Writes a program that uses every form of aq71's instruction table in turn: every mnemonic and
# its aliases, every pointer form of LD and ST, LDD and STD with every displacement, LDS and STS
# to any address, JMP and CALL to far addresses, the flag and bit-set instructions, the extended
# jumps and ELPM. A tab stands before each mnemonic and between it and its operands; a label comes
# every 16 lines, a branch back to it every 8.
#
#   awk -v n=LINES -v seed=SEED [-v shuffle=1] -v aq=AQ71_FILE [-v gnu=GNU_FILE] -f instruction_mix.awk
#
# SEED draws the operands; shuffle=1 takes the forms in an order drawn from SEED rather than the
# table's. GNU_FILE, when given, gets the same program in avr-as's dialect (-mmcu=avr6).
#
# In a form: R any register, G a register that no pointer uses, H R16-R31, W R24/R26/R28/R30,
# P an I/O port, Q a bit-addressable port, B a bit, K a byte, C a word constant for ADIW/SBIW,
# D the next displacement, A a data address, F a far program address, L the last label.
BEGIN {
  nforms = split("ADD R,R|ADC R,R|SUB R,R|SBC R,R|AND R,R|OR R,R|EOR R,R|MUL R,R|CPSE R,R|CP R,R|" \
                 "CPC R,R|MOV R,R|SBCI H,K|SUBI H,K|ANDI H,K|ORI H,K|SBR H,K|LDI H,K|CPI H,K|" \
                 "ADIW W,C|SBIW W,C|SBRC R,B|SBRS R,B|BST R,B|BLD R,B|CBI Q,B|SBI Q,B|SBIC Q,B|" \
                 "SBIS Q,B|COM R|NEG R|INC R|DEC R|POP R|LSR R|ROR R|ASR R|SWAP R|PUSH R|" \
                 "LD G,X|LD G,X+|LD G,-X|LD G,Y|LD G,Y+|LD G,-Y|LD G,Z|LD G,Z+|LD G,-Z|" \
                 "ST X,G|ST X+,G|ST -X,G|ST Y,G|ST Y+,G|ST -Y,G|ST Z,G|ST Z+,G|ST -Z,G|" \
                 "IN R,P|OUT P,R|LDD R,Y+D|LDD R,Z+D|STD Y+D,R|STD Z+D,R|LDS R,A|STS A,R|" \
                 "BSET B|BCLR B|JMP F|CALL F|BRBS B,L|BRBC B,L|BREQ L|BRNE L|BRCS L|BRLO L|" \
                 "BRCC L|BRSH L|BRMI L|BRPL L|BRLT L|BRGE L|BRHS L|BRHC L|BRTS L|BRTC L|BRVS L|" \
                 "BRVC L|BRIE L|BRID L|RJMP L|RCALL L|IJMP|ICALL|RET|RETI|LPM|SEC|CLC|SEN|CLN|" \
                 "SEZ|CLZ|SEI|CLI|SES|CLS|SEV|CLV|SET|CLT|SEH|CLH|NOP|SLEEP|WDR|EICALL|EIJMP|" \
                 "ELPM|TST R|CLR R|LSL R|ROL R|SER H|CBR H,K", forms, "|")
  srand(seed)
  if (shuffle) {
    for (i = nforms; i > 1; --i) {
      j = int(rand() * i) + 1
      t = forms[i]; forms[i] = forms[j]; forms[j] = t
    }
  }
  split("BRNE|RJMP|BRCC|RCALL", back, "|")
  print " ASEG" > aq
  if (gnu != "") print " .text" > gnu
  label = 0; form = 0; disp = 0
  for (i = 0; i < n; ++i) {
    if (i % 16 == 0) {
      ++label
      printf "L%d:\n", label >> aq
      if (gnu != "") printf "l%d:\n", label >> gnu
    }
    if (i % 8 == 7) {
      line = back[int(i / 8) % 4 + 1] " L"
    } else {
      line = forms[form % nforms + 1]
      ++form
    }
    sp = index(line, " ")
    mnemonic = sp ? substr(line, 1, sp - 1) : line
    rest = sp ? substr(line, sp + 1) : ""
    ops = ""
    for (c = 1; c <= length(rest); ++c) {
      ch = substr(rest, c, 1)
      if (ch == "R") ops = ops "R" int(rand() * 32)
      else if (ch == "G") ops = ops "R" int(rand() * 26)
      else if (ch == "H") ops = ops "R" (16 + int(rand() * 16))
      else if (ch == "W") ops = ops "R" (24 + 2 * int(rand() * 4))
      else if (ch == "P") ops = ops sprintf("0x%02X", int(rand() * 64))
      else if (ch == "Q") ops = ops sprintf("0x%02X", int(rand() * 32))
      else if (ch == "B") ops = ops int(rand() * 8)
      else if (ch == "K") ops = ops sprintf("0x%02X", int(rand() * 256))
      else if (ch == "C") ops = ops int(rand() * 64)
      else if (ch == "D") { ops = ops disp; disp = (disp + 1) % 64 }
      else if (ch == "A") ops = ops sprintf("0x%04X", int(rand() * 65536))
      else if (ch == "F") ops = ops sprintf("0x%05X", 2 * int(rand() * 131072))
      else if (ch == "L") ops = ops "L" label
      else ops = ops ch
    }
    printf "\t%s%s\n", mnemonic, ops == "" ? "" : "\t" ops >> aq
    if (gnu != "") {
      g = tolower(ops)
      gsub(/,/, ", ", g)
      printf "\t%s%s\n", tolower(mnemonic), g == "" ? "" : "\t" g >> gnu
    }
  }
  print " END" >> aq
}
