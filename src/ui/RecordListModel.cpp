#include "ui/RecordListModel.h"

#include <QBrush>
#include <QColor>
#include <QPainter>
#include <QPixmap>

#include "language/Document.h"
#include "language/Services.h"

namespace qlm {
namespace {

constexpr int kIconSize = 16;
constexpr int kMaxProcessIcons = 50;
constexpr int kMaxProcessName = 49;

// The list's own marks, drawn here so that no picture file is needed.
QIcon drawnIcon(const std::function<void(QPainter&)>& draw) {
  QPixmap pixmap(kIconSize, kIconSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  draw(painter);
  painter.end();
  return QIcon(pixmap);
}

QIcon playedMark() {
  return drawnIcon([](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 160, 0));
    p.drawPolygon(QPolygon({QPoint(4, 2), QPoint(13, 8), QPoint(4, 14)}));
  });
}

QIcon notPlayedMark() {
  return drawnIcon([](QPainter& p) {
    p.setPen(QPen(QColor(150, 150, 150), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRect(3, 3, 10, 10));
  });
}

QIcon rowMark() {
  return drawnIcon([](QPainter& p) {
    p.setPen(QColor(0, 0, 160));
    p.setBrush(QColor(220, 220, 255));
    p.drawRect(QRect(2, 3, 11, 9));
    p.drawLine(4, 6, 11, 6);
    p.drawLine(4, 9, 9, 9);
  });
}

QString qText(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

}  // namespace

RecordListModel::RecordListModel(Document& document, UiService& ui, QObject* parent)
    : QAbstractTableModel(parent),
      m_document(document),
      m_ui(ui),
      m_playedIcon(playedMark()),
      m_notPlayedIcon(notPlayedMark()),
      m_rowIcon(rowMark()),
      m_defaultProcessIcon(QIcon::fromTheme("application-x-executable", rowMark())) {}

int RecordListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_document.records().count();
}

int RecordListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  const ColumnSpec& spec = columnSpecs()[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) return qText(std::string(spec.header));
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(spec.centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  const RecordImage& record = m_document.records().record(index.row());
  auto column = static_cast<Column>(index.column());
  bool played = record.get(IntField::Play) != 0;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      if (column == Column::Play) return {};
      return qText(cellText(record, index.row(), column));
    case Qt::DecorationRole:
      if (column == Column::Number) return m_rowIcon;
      if (column == Column::Play) return played ? m_playedIcon : m_notPlayedIcon;
      if (column == Column::Title) return processIcon(record.text(TextField::Process));
      return {};
    case Qt::ToolTipRole:
      if (column == Column::Play) return played ? QStringLiteral("Play") : QString();
      return {};
    case Qt::BackgroundRole:
      return QBrush(played ? QColor(255, 255, 255) : QColor(230, 230, 230));
    case Qt::ForegroundRole:
      return QBrush(QColor(0, 0, 0));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(columnSpecs()[static_cast<std::size_t>(index.column())].centred
                                     ? Qt::AlignCenter
                                     : Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

Qt::ItemFlags RecordListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!m_locked && editable(static_cast<Column>(index.column()))) flags |= Qt::ItemIsEditable;
  return flags;
}

bool RecordListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) return false;
  auto column = static_cast<Column>(index.column());
  if (!editable(column)) return false;
  QByteArray text = value.toString().toUtf8();
  return changeRecord(index.row(), [&](RecordImage& record) {
    return applyCellText(record, column, std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
  });
}

bool RecordListModel::changeRecord(int row, const std::function<Outcome(RecordImage&)>& change) {
  RecordDocument& records = m_document.records();
  if (m_locked || row < 0 || row >= records.count()) return false;
  RecordImage before = records.record(row);
  RecordImage after = before;
  Outcome outcome = change(after);
  if (outcome) outcome = records.setRecord(row, after);
  if (outcome) {
    outcome = records.save();
    if (!outcome) records.setRecord(row, before);
  }
  if (!outcome) {
    if (!outcome.message.empty()) m_ui.showMessage(outcome.message);
    return false;
  }
  emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
  return true;
}

bool RecordListModel::storeRecord(int row, const RecordImage& record) {
  return changeRecord(row, [&](RecordImage& stored) {
    stored = record;
    return Outcome::success();
  });
}

bool RecordListModel::togglePlay(int row) {
  bool changed = changeRecord(row, [](RecordImage& record) {
    record.set(IntField::Play, record.get(IntField::Play) != 0 ? 0 : 1);
    return Outcome::success();
  });
  if (changed) emit playChanged(row);
  return changed;
}

bool RecordListModel::toggleErase(int row) {
  return changeRecord(row, [](RecordImage& record) {
    record.set(IntField::Erase, record.get(IntField::Erase) != 0 ? 0 : 1);
    return Outcome::success();
  });
}

bool RecordListModel::hasCurrent() const {
  const RecordDocument& records = m_document.records();
  return !m_locked && !records.busy() && records.currentRecord() >= 0 && records.currentRecord() < records.count();
}

bool RecordListModel::canMove(int offset) const {
  if (!hasCurrent()) return false;
  int target = m_document.records().currentRecord() + offset;
  return target >= 0 && target < m_document.records().count();
}

bool RecordListModel::structuralChange(const std::function<Outcome(RecordDocument&)>& change, int newCurrent) {
  RecordDocument& records = m_document.records();
  beginResetModel();
  Outcome outcome = change(records);
  if (outcome) records.setCurrentRecord(newCurrent);
  endResetModel();
  if (!outcome && !outcome.message.empty()) m_ui.showMessage(outcome.message);
  return outcome.ok;
}

bool RecordListModel::deleteCurrent() {
  RecordDocument& records = m_document.records();
  if (m_locked) return false;
  int current = records.currentRecord();
  if (current < 0 || records.busy() || records.record(current).get(IntField::Play) == 1) {
    m_ui.showMessage(kDeleteRefused);
    return false;
  }
  return structuralChange([](RecordDocument& r) { return r.deleteRecord(); },
                          std::min(current, records.count() - 2));
}

bool RecordListModel::moveCurrent(int offset) {
  if (!canMove(offset)) return false;
  int current = m_document.records().currentRecord();
  return structuralChange([&](RecordDocument& r) { return r.moveRecord(current, current + offset); },
                          current + offset);
}

bool RecordListModel::copyCurrent() {
  if (!hasCurrent()) return false;
  int current = m_document.records().currentRecord();
  return structuralChange([&](RecordDocument& r) { return r.duplicateRecord(current, current + 1); }, current + 1);
}

LoadResult RecordListModel::reload() {
  beginResetModel();
  LoadResult loaded = m_document.records().load();
  endResetModel();
  return loaded;
}

QIcon RecordListModel::processIcon(const std::string& process) const {
  if (process.empty() || process.size() > kMaxProcessName) return m_defaultProcessIcon;
  QString name = QString::fromLatin1(process.data(), static_cast<qsizetype>(process.size())).toLower();
  auto found = m_processIcons.constFind(name);
  if (found != m_processIcons.constEnd()) return *found;
  if (m_processIcons.size() >= kMaxProcessIcons) return m_defaultProcessIcon;
  QString themeName = name.endsWith(QLatin1String(".exe")) ? name.chopped(4) : name;
  QIcon icon = QIcon::fromTheme(themeName, m_defaultProcessIcon);
  m_processIcons.insert(name, icon);
  return icon;
}

}  // namespace qlm
