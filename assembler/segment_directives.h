// Segment and alignment directives: RSEG, STACK, COMMON, ASEG, ORG, ALIGN, EVEN and DS. The
// scanner stands on the directive word; label is the line's label.
#pragma once

#include "assembler/segments.h"

namespace aq71 {

class Scanner;
struct SymbolNode;

// RSEG, STACK, COMMON: name[:type][(align)].
void directive_segment(Scanner& sc, SegmentKind kind, SymbolNode* label);
// ASEG [address].
void directive_aseg(Scanner& sc, SymbolNode* label);
// ORG expr.
void directive_org(Scanner& sc, SymbolNode* label);
// ALIGN n[,fill...].
void directive_align(Scanner& sc, SymbolNode* label);
// EVEN [fill].
void directive_even(Scanner& sc, SymbolNode* label);
// DS count (storage of count bytes).
void directive_ds(Scanner& sc, SymbolNode* label);

}  // namespace aq71
