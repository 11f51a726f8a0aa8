// The list's in-place editor colours every typed character as the lexer
// colours its counterpart in the normalised text.
#include <QTextBlock>
#include <QTextLayout>

#include "UiSupport.h"
#include "language/Lexer.h"
#include "ui/CellEditor.h"

namespace qlm {
namespace {

QColor colourAt(const QTextBlock& block, int position) {
  for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
    if (position >= range.start && position < range.start + range.length) return range.format.foreground().color();
  }
  return {};
}

TEST(CellEditorTest, TypedCharactersTakeTheLexersColours) {
  // What is typed, a position in it, and the same character in the lexer's text.
  const std::tuple<const char*, int, const char*> cases[] = {
      {"\"a\"  &  upper( \"b\" )", 16, "b\")"},
      {"$X=1;$Y=2", 5, "$Y"},
  };
  for (const auto& [typed, typedPosition, normalisedPart] : cases) {
    SCOPED_TRACE(typed);
    CellEditor editor(true, nullptr);
    editor.setText(QString::fromUtf8(typed));
    AnalysisState state;
    analyse(typed, 0, 0, state);
    std::size_t at = state.text.find(normalisedPart);
    ASSERT_NE(at, std::string::npos) << state.text;
    Rgb expected = state.textColours[at];
    EXPECT_EQ(colourAt(editor.document()->firstBlock(), typedPosition), QColor(expected.red, expected.green, expected.blue));
  }
}

}  // namespace
}  // namespace qlm
