#pragma once
// The record list: one row per record of the open document, 18 columns.
// Rows are drawn from the records in memory; pictures are read only for the
// record that is selected. Every change is written straight into the file.
#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>

#include "document/RecordDocument.h"
#include "ui/RecordColumns.h"

namespace qlm {

class Document;
class Settings;
class UiService;

class RecordListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  RecordListModel(Document& document, UiService& ui, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // An edit the file refuses, or an instruction the syntax check refuses,
  // shows its message and leaves the record as it was.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  // Fill: every row again from the document file.
  LoadResult reload();
  // Edits and record commands are refused while playback or recording runs.
  void setLocked(bool locked) { m_locked = locked; }
  bool locked() const { return m_locked; }

  // The image-area editor's changes to a record.
  bool storeRecord(int row, const RecordImage& record);
  bool togglePlay(int row);
  bool toggleErase(int row);
  // The record commands on the document's current record; false when refused.
  bool deleteCurrent();
  bool moveCurrent(int offset);
  bool copyCurrent();
  bool canMove(int offset) const;
  bool hasCurrent() const;

 signals:
  // A record whose play flag changed: the view greys or restores its picture.
  void playChanged(int row);

 private:
  bool changeRecord(int row, const std::function<Outcome(RecordImage&)>& change);
  bool structuralChange(const std::function<Outcome(RecordDocument&)>& change, int newCurrent);
  QIcon processIcon(const std::string& process) const;

  Document& m_document;
  UiService& m_ui;
  bool m_locked = false;
  QIcon m_playedIcon;
  QIcon m_notPlayedIcon;
  QIcon m_rowIcon;
  QIcon m_defaultProcessIcon;
  mutable QHash<QString, QIcon> m_processIcons;
};

}  // namespace qlm
