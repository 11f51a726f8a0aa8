#pragma once
// One record of a document, kept as the 2,652 bytes that the document file
// holds (layout in RecordImage.cpp), read and written through typed accessors.
#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/Geometry.h"

namespace qlm {

inline constexpr std::size_t kRecordSize = 2652;
inline constexpr int kMaxRecords = 40000;
// One index entry always marks the end of the data.
inline constexpr int kMaxRecordsInFile = kMaxRecords - 1;
inline constexpr std::string_view kLayoutTag = "2_0_3";

enum class IntField {
  Number, KindMarker, ReservedOne, ImageLeft, ImageTop, ImageRight, ImageBottom,
  AlternateLeft, AlternateTop, ConditionLevel, ClickFlag, ClickX, ClickY,
  MinWait, MaxWait, WindowValid, WindowX, WindowY, WindowWidth, WindowHeight,
  TextFlag, TextLeft, TextTop, TextRight, TextBottom,
  Shift, Ctrl, Alt, Play, Erase, Sense,
};

enum class TextField { User, Created, Kind, WindowClass, WindowTitle, Instruction, Comment, Process, LayoutTag };

struct WindowGeometry {
  int valid = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

class RecordImage {
 public:
  using Bytes = std::array<std::uint8_t, kRecordSize>;

  RecordImage() { m_bytes.fill(0); }
  explicit RecordImage(const Bytes& bytes) : m_bytes(bytes) {}
  static RecordImage fromBytes(std::span<const std::uint8_t, kRecordSize> bytes);

  const Bytes& bytes() const { return m_bytes; }

  int get(IntField field) const;
  void set(IntField field, int value);
  std::string text(TextField field) const;
  void setText(TextField field, std::string_view cp1252);  // cut to the field
  static std::size_t capacity(TextField field);           // characters, without the NUL

  char kind() const;
  Point click() const { return {get(IntField::ClickX), get(IntField::ClickY)}; }
  Rect imageArea() const;
  Rect textArea() const;
  Point alternate() const { return {get(IntField::AlternateLeft), get(IntField::AlternateTop)}; }
  WindowGeometry window() const;
  void setClick(Point point);
  void setImageArea(const Rect& area);
  void setTextArea(const Rect& area);
  void setWindow(const WindowGeometry& window);

  static constexpr std::size_t kCapturedEventOffset = 2608;
  static constexpr std::size_t kCapturedEventSize = 28;
  std::array<std::uint8_t, kCapturedEventSize> capturedEvent() const;
  void setCapturedEvent(std::span<const std::uint8_t, kCapturedEventSize> event);

  // Older records carry "Not checked" in their layout tag; their window
  // fields are not to be trusted.
  void applyNotCheckedRule();

  friend bool operator==(const RecordImage&, const RecordImage&) = default;

 private:
  Bytes m_bytes;
};

// The creation stamp "%y%m%d%H%M%S" of a local time.
std::string creationStamp(std::time_t when);
// "dd/mm/20yy  hh:mm sss" from a creation stamp; 21 characters.
std::string dateText(std::string_view stamp);

// What a new record is made from: what the desktop (or the user of qlm) knows
// at the moment of recording. Everything else takes the new-record defaults.
struct NewRecordFields {
  char kind = 'K';
  std::string text;  // instruction text, Windows-1252
  std::string user;
  std::string created;  // creation stamp
  std::string windowClass;
  std::string windowTitle;
  std::string process;
  bool firstRecordOfFile = false;
  bool windowsKeyHeld = false;
  Point click{100, 15};
  int areaWidth = 0;   // of the window, or of the screen for a whole-screen record
  int areaHeight = 0;
  std::optional<Rect> imageArea;  // empty: the box around the click
  std::string comment;            // setting POST_TXT_OK
  int minWait = 100;              // setting ATT1
  int maxWait = 7000;             // setting ATT2
  int pictureWidth = 0;
  int pictureHeight = 0;
  std::array<std::uint8_t, RecordImage::kCapturedEventSize> capturedEvent{};
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  int sense = 3;
};

inline constexpr std::string_view kFirstRecordText =
    "SetMouseSpeed(30); SetKeySpeed(30); SetPixelTol(0); SetColorTol(5); AppWait(7); AppForeground(2,0)";
inline constexpr std::string_view kSecondRecordText =
    "Verbose(7); Ask3(\"Options:\",\"No Debug - No Trace\",,\"Debug\",Debug(7),\"Trace\",Trace(2,,))";

// The record number is left 0: the file handler sets it when appending.
RecordImage makeNewRecord(const NewRecordFields& fields);

// The 41 x 21 box around a click, kept one pixel inside the area.
Rect defaultImageArea(Point click, int areaWidth, int areaHeight);
// The same size, 10 pixels right of the image area.
Rect defaultTextArea(const Rect& imageArea);

// The file (and the qlm text forms) keep a rectangle's right and bottom as
// the last pixels inside it. Both directions wrap like the file's 32-bit
// fields, so that every stored value comes back unchanged.
Rect rectFromInclusive(int left, int top, int right, int bottom);
std::array<int, 4> inclusiveEdges(const Rect& rect);

}  // namespace qlm
