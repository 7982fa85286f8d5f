#include "assembler/listing_directives.h"

#include <algorithm>

#include "assembler/assembly.h"
#include "assembler/diagnostics.h"
#include "assembler/directive_ids.h"
#include "assembler/expressions.h"
#include "assembler/operand_grammar.h"
#include "assembler/run_settings.h"
#include "assembler/scanner.h"
#include "assembler/statement_services.h"

namespace aq71 {

ListingLayout& listing_layout(Assembly& run) { return run.part<ListingLayout>(); }

void directive_listing(Scanner& sc, int id, SymbolNode* label) {
  Statement& st = open_statement(sc.run(), id == DIR_PAGE ? StatementKind::PageBreak : StatementKind::Nothing);
  attach_label(sc.run(), st, label);
  RunSettings& s = settings(sc.run());
  ListingLayout& layout = listing_layout(sc.run());
  std::uint32_t bit = 0;
  switch (id) {
    case DIR_LSTOUT:
      bit = LIST_ON;
      break;
    case DIR_LSTCND:
      bit = LIST_ASSEMBLED_ONLY;
      break;
    case DIR_LSTCOD:
      bit = LIST_MULTI_CODE;
      break;
    case DIR_LSTEXP:
      bit = LIST_MACRO_EXPANSION;
      break;
    case DIR_LSTMAC:
      bit = LIST_MACRO_DEFS;
      break;
    case DIR_LSTREP:
      bit = LIST_BIT_100;
      break;
    case DIR_LSTXRF:
      bit = LIST_XREF;
      break;
    default:
      break;
  }
  if (bit || id == DIR_LSTPAG) {
    int code = next_nonblank(sc);
    const std::string& text = sc.token().text;
    bool plus = code == TOK_PLUS || text == "+";
    bool minus = code == TOK_MINUS || text == "-";
    if (!plus && !minus) {
      user_error_A01(sc.run(), 61);
      if (code != TOK_EOL && code != TOK_EOF) sc.skip_rest_of_line();
      return;
    }
    if (bit) {
      if (plus)
        s.list_flags |= bit;
      else
        s.list_flags &= ~bit;
    } else if (plus) {
      s.page_length = layout.saved_page_length;
    } else {
      layout.saved_page_length = s.page_length;
      s.page_length = 0;
    }
    sc.next_token_A07();
    end_of_statement(sc);
    return;
  }
  if (id == DIR_PAGSIZ || id == DIR_COL) {
    next_nonblank(sc);
    ValueRec* e = parse_expression_A08(sc, false, true);
    if (e && !e->failed) {
      if (!e->absolute()) {
        user_error_A01(sc.run(), 53);
      } else {
        long n = e->signed_value();
        if (id == DIR_PAGSIZ)
          s.page_length = static_cast<int>(std::clamp(n, 10L, 150L));
        else
          layout.width = static_cast<int>(std::clamp(n, 80L, 132L));
      }
    } else {
      st.failed = true;
    }
    if (sc.token().code != TOK_EOL) end_of_statement(sc);
    return;
  }
  // PAGE
  next_nonblank(sc);
  if (sc.token().code != TOK_EOL) end_of_statement(sc);
}

}  // namespace aq71
