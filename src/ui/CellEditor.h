#pragma once
// The in-place editor of the record list: one line of at most 1,000
// characters, instructions coloured character by character as the lexer
// colours them.
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QSyntaxHighlighter>

namespace qlm {

class InstructionHighlighter final : public QSyntaxHighlighter {
 public:
  using QSyntaxHighlighter::QSyntaxHighlighter;

 protected:
  void highlightBlock(const QString& text) override;
};

class CellEditor final : public QPlainTextEdit {
  Q_OBJECT

 public:
  CellEditor(bool instruction, QWidget* parent);
  QString text() const;
  void setText(const QString& text);

 signals:
  void accepted();
  void cancelled();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;
};

class CellDelegate final : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace qlm
