#include "ui/CellEditor.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <cctype>

#include "language/Lexer.h"
#include "platform/TextEncoding.h"
#include "ui/RecordColumns.h"

namespace qlm {
namespace {

constexpr int kMaxCellLength = 1000;

char lowered(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

// The lexer colours its normalised text (spaces and letter case may differ
// from what is typed); each typed character takes the colour of its
// counterpart there.
void InstructionHighlighter::highlightBlock(const QString& text) {
  QByteArray utf8 = text.toUtf8();
  std::string typed = cp1252FromUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
  if (typed.size() != static_cast<std::size_t>(text.size())) return;
  AnalysisState state;
  analyse(typed, 0, 0, state);
  const std::string& normal = state.text;
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < typed.size() && j < normal.size()) {
    if (lowered(typed[i]) == lowered(normal[j])) {
      QTextCharFormat format;
      if (j < state.textColours.size()) {
        Rgb colour = state.textColours[j];
        format.setForeground(QColor(colour.red, colour.green, colour.blue));
      }
      if (j < state.backColours.size()) {
        Rgb colour = state.backColours[j];
        format.setBackground(QColor(colour.red, colour.green, colour.blue));
      }
      setFormat(static_cast<int>(i), 1, format);
      ++i;
      ++j;
    } else if (typed[i] == ' ') {
      ++i;
    } else if (normal[j] == ' ') {
      ++j;
    } else {
      ++i;
      ++j;
    }
  }
}

CellEditor::CellEditor(bool instruction, QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTabChangesFocus(true);
  QFont font("Courier New");
  font.setStyleHint(QFont::Monospace);
  font.setPointSize(9);
  setFont(font);
  if (instruction) new InstructionHighlighter(document());
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    QString current = toPlainText();
    if (current.size() <= kMaxCellLength) return;
    QTextCursor cursor = textCursor();
    cursor.setPosition(kMaxCellLength);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
  });
}

QString CellEditor::text() const { return toPlainText(); }

void CellEditor::setText(const QString& text) { setPlainText(text); }

void CellEditor::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    emit accepted();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    emit cancelled();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

// One line: pasted line breaks become blanks.
void CellEditor::insertFromMimeData(const QMimeData* source) {
  QString text = source->text();
  text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  insertPlainText(text);
}

QWidget* CellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
  auto* editor = new CellEditor(static_cast<Column>(index.column()) == Column::Instruction, parent);
  connect(editor, &CellEditor::accepted, this, [this, editor] {
    emit const_cast<CellDelegate*>(this)->commitData(editor);
    emit const_cast<CellDelegate*>(this)->closeEditor(editor, QAbstractItemDelegate::NoHint);
  });
  connect(editor, &CellEditor::cancelled, this, [this, editor] {
    emit const_cast<CellDelegate*>(this)->closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
  });
  return editor;
}

void CellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  auto* cell = static_cast<CellEditor*>(editor);
  QString text = index.data(Qt::EditRole).toString();
  if (static_cast<Column>(index.column()) == Column::MinWait || static_cast<Column>(index.column()) == Column::MaxWait) {
    text = text.trimmed();
  }
  cell->setText(text);
  cell->moveCursor(QTextCursor::End);
}

void CellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  auto* cell = static_cast<CellEditor*>(editor);
  if (cell->text() == index.data(Qt::EditRole).toString()) return;
  model->setData(index, cell->text(), Qt::EditRole);
}

void CellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const {
  QRect rect = option.rect;
  rect.setHeight(std::max(rect.height(), editor->fontMetrics().height() + 8));
  editor->setGeometry(rect);
}

}  // namespace qlm
