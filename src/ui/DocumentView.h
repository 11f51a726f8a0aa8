#pragma once
// The document view: a short help text when no record is selected, else the
// selected record's picture with its image area, text area, click point,
// the other occurrence of the image area and the zoom window, all edited
// with the mouse.
#include <QImage>
#include <QWidget>
#include <functional>

#include "platform/Picture.h"
#include "ui/AreaEditor.h"

namespace qlm {

class DocumentView final : public QWidget {
  Q_OBJECT

 public:
  explicit DocumentView(QWidget* parent = nullptr);

  // `row` is the record's list position; its picture as read from the file.
  void showRecord(int row, const RecordImage& record, Picture picture);
  void showNoRecord(bool documentHasRecords);
  // Redraws the picture in grey or in its own colours after the play flag changed.
  void setPlayFlag(bool played);
  void setLocked(bool locked) { m_locked = locked; }

  // Where else the image area is found in the picture; run when a drag of the image area ends.
  using UniquenessCheck = std::function<Point(const Picture&, const RecordImage&)>;
  void setUniquenessCheck(UniquenessCheck check) { m_uniquenessCheck = std::move(check); }

  int row() const { return m_row; }
  const AreaEditor& editor() const { return m_editor; }
  // The text-recognition preview of the text area draws itself over the view.
  using Overlay = std::function<void(QPainter&, const RecordImage&, const Picture&)>;
  void setTextPreview(Overlay overlay) { m_textPreview = std::move(overlay); }

  QSize sizeHint() const override;

 signals:
  // The user changed the record's areas or click point; the list stores it.
  void recordEdited(int row, const qlm::RecordImage& record);
  void helpLinkClicked(int link);
  // An image-area drag ended with no record selected.
  void noRecordSelected();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void paintHelp(QPainter& painter);
  void paintEditor(QPainter& painter);
  void updateImage();
  void updateCursor();
  int helpLinkAt(QPoint position) const;

  AreaEditor m_editor;
  Picture m_picture;
  QImage m_image;
  int m_row = -1;
  bool m_documentHasRecords = false;
  bool m_locked = false;
  UniquenessCheck m_uniquenessCheck;
  Overlay m_textPreview;
  QRect m_helpLinks[2];
};

// The stored picture as an image, greyed as the list shows records not to be played.
QImage imageOfPicture(const Picture& picture, bool grey);

}  // namespace qlm
