#include "document/RecordImage.h"

#include <algorithm>
#include <cstdio>

#include "document/ByteCodec.h"

// Record image, 2,652 bytes, little-endian. i32 signed 32-bit, u16, u8;
// char[n] a NUL-terminated Windows-1252 text of n bytes with its NUL.
//
//  offset  type       field
//       0  i32        record number (the file's count when appended; never renumbered)
//       4  u16        kind marker: 0 for kind 'R', else 1
//       6  u16        reserved, always 1
//       8  i32 x 4    image area left, top, right, bottom (inclusive)
//      24  i32 x 2    alternate left, top of the image area; -1 for none
//      32  i32        condition level 0 none, 1 offset click, 2 IfShape, 3 IfImage, 4 IfText
//      36  i32        click flag 0, 1, 2
//      40  char[20]   user
//      60  u8         unused
//      61  char[13]   creation stamp "%y%m%d%H%M%S"
//      74  char[2]    record kind
//      76  i32 x 2    click x, y
//      84  char[251]  window class
//     335  char[251]  window title ('-' first: the whole screen)
//     586  char[501]  instruction
//    1087  char[501]  comment
//    1588  char[501]  process name
//    2089  3 bytes    padding
//    2092  i32 x 2    minimum, maximum wait (ms)
//    2100  i32        reserved
//    2104  char[21]   layout tag "2_0_3"
//    2125  3 bytes    padding
//    2128  i32 x 5    window size valid, x, y, width, height
//    2148  i32        text flag
//    2152  i32 x 4    text area left, top, right, bottom
//    2168  440 bytes  reserved
//    2608  28 bytes   captured input event
//    2636  u8 x 5     Shift, Ctrl, Alt held; play flag; erase flag
//    2641  3 bytes    padding
//    2644  i32        sense 0 down, 1 up, 2 tap, 3 other
//    2648  4 bytes    unused

namespace qlm {
namespace {

struct IntLayout {
  IntField field;
  std::size_t offset;
  int width;
};

constexpr IntLayout kIntLayout[] = {
    {IntField::Number, 0, 4},          {IntField::KindMarker, 4, 2},      {IntField::ReservedOne, 6, 2},
    {IntField::ImageLeft, 8, 4},       {IntField::ImageTop, 12, 4},       {IntField::ImageRight, 16, 4},
    {IntField::ImageBottom, 20, 4},    {IntField::AlternateLeft, 24, 4},  {IntField::AlternateTop, 28, 4},
    {IntField::ConditionLevel, 32, 4}, {IntField::ClickFlag, 36, 4},      {IntField::ClickX, 76, 4},
    {IntField::ClickY, 80, 4},         {IntField::MinWait, 2092, 4},      {IntField::MaxWait, 2096, 4},
    {IntField::WindowValid, 2128, 4},  {IntField::WindowX, 2132, 4},      {IntField::WindowY, 2136, 4},
    {IntField::WindowWidth, 2140, 4},  {IntField::WindowHeight, 2144, 4}, {IntField::TextFlag, 2148, 4},
    {IntField::TextLeft, 2152, 4},     {IntField::TextTop, 2156, 4},      {IntField::TextRight, 2160, 4},
    {IntField::TextBottom, 2164, 4},   {IntField::Shift, 2636, 1},        {IntField::Ctrl, 2637, 1},
    {IntField::Alt, 2638, 1},          {IntField::Play, 2639, 1},         {IntField::Erase, 2640, 1},
    {IntField::Sense, 2644, 4},
};

struct TextLayout {
  TextField field;
  std::size_t offset;
  std::size_t size;
};

constexpr TextLayout kTextLayout[] = {
    {TextField::User, 40, 20},          {TextField::Created, 61, 13},       {TextField::Kind, 74, 2},
    {TextField::WindowClass, 84, 251},  {TextField::WindowTitle, 335, 251}, {TextField::Instruction, 586, 501},
    {TextField::Comment, 1087, 501},    {TextField::Process, 1588, 501},    {TextField::LayoutTag, 2104, 21},
};

template <typename Row, std::size_t N>
constexpr bool rowsInEnumOrder(const Row (&rows)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    if (static_cast<std::size_t>(rows[i].field) != i) return false;
  }
  return true;
}
static_assert(rowsInEnumOrder(kIntLayout) && rowsInEnumOrder(kTextLayout), "layout rows are looked up by field");

constexpr std::string_view kNotChecked = "Not checked";

const IntLayout& layoutOf(IntField field) { return kIntLayout[static_cast<std::size_t>(field)]; }
const TextLayout& layoutOf(TextField field) { return kTextLayout[static_cast<std::size_t>(field)]; }

std::string instructionFor(char kind, const std::string& text) {
  if (kind != '1' && kind != '2') return text;
  std::string instruction(kind == '1' ? kFirstRecordText : kSecondRecordText);
  if (!text.empty()) instruction += "; " + text;
  return instruction;
}

}  // namespace

RecordImage RecordImage::fromBytes(std::span<const std::uint8_t, kRecordSize> bytes) {
  Bytes copy;
  std::copy(bytes.begin(), bytes.end(), copy.begin());
  return RecordImage(copy);
}

int RecordImage::get(IntField field) const {
  const IntLayout& layout = layoutOf(field);
  if (layout.width == 1) return m_bytes[layout.offset];
  if (layout.width == 2) return bytes::getU16(m_bytes, layout.offset);
  return bytes::getI32(m_bytes, layout.offset);
}

void RecordImage::set(IntField field, int value) {
  const IntLayout& layout = layoutOf(field);
  if (layout.width == 1) {
    m_bytes[layout.offset] = static_cast<std::uint8_t>(value);
  } else if (layout.width == 2) {
    bytes::putU16(m_bytes, layout.offset, static_cast<std::uint16_t>(value));
  } else {
    bytes::putI32(m_bytes, layout.offset, value);
  }
}

std::string RecordImage::text(TextField field) const {
  const TextLayout& layout = layoutOf(field);
  return bytes::getText(m_bytes, layout.offset, layout.size);
}

void RecordImage::setText(TextField field, std::string_view cp1252) {
  const TextLayout& layout = layoutOf(field);
  bytes::putText(m_bytes, layout.offset, layout.size, cp1252);
}

std::size_t RecordImage::capacity(TextField field) { return layoutOf(field).size - 1; }

char RecordImage::kind() const { return static_cast<char>(m_bytes[layoutOf(TextField::Kind).offset]); }

Rect RecordImage::imageArea() const {
  return rectFromInclusive(get(IntField::ImageLeft), get(IntField::ImageTop), get(IntField::ImageRight),
                           get(IntField::ImageBottom));
}

Rect RecordImage::textArea() const {
  return rectFromInclusive(get(IntField::TextLeft), get(IntField::TextTop), get(IntField::TextRight),
                           get(IntField::TextBottom));
}

WindowGeometry RecordImage::window() const {
  return {get(IntField::WindowValid), get(IntField::WindowX), get(IntField::WindowY), get(IntField::WindowWidth),
          get(IntField::WindowHeight)};
}

void RecordImage::setClick(Point point) {
  set(IntField::ClickX, point.x);
  set(IntField::ClickY, point.y);
}

void RecordImage::setImageArea(const Rect& area) {
  const auto [left, top, right, bottom] = inclusiveEdges(area);
  set(IntField::ImageLeft, left);
  set(IntField::ImageTop, top);
  set(IntField::ImageRight, right);
  set(IntField::ImageBottom, bottom);
}

void RecordImage::setTextArea(const Rect& area) {
  const auto [left, top, right, bottom] = inclusiveEdges(area);
  set(IntField::TextLeft, left);
  set(IntField::TextTop, top);
  set(IntField::TextRight, right);
  set(IntField::TextBottom, bottom);
}

void RecordImage::setWindow(const WindowGeometry& window) {
  set(IntField::WindowValid, window.valid);
  set(IntField::WindowX, window.x);
  set(IntField::WindowY, window.y);
  set(IntField::WindowWidth, window.width);
  set(IntField::WindowHeight, window.height);
}

std::array<std::uint8_t, RecordImage::kCapturedEventSize> RecordImage::capturedEvent() const {
  std::array<std::uint8_t, kCapturedEventSize> event;
  std::copy_n(m_bytes.begin() + kCapturedEventOffset, kCapturedEventSize, event.begin());
  return event;
}

void RecordImage::setCapturedEvent(std::span<const std::uint8_t, kCapturedEventSize> event) {
  std::copy(event.begin(), event.end(), m_bytes.begin() + kCapturedEventOffset);
}

void RecordImage::applyNotCheckedRule() {
  if (text(TextField::LayoutTag).substr(0, kNotChecked.size()) == kNotChecked) setWindow({0, 0, 0, 100, 100});
}

std::string creationStamp(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char stamp[16];
  std::strftime(stamp, sizeof stamp, "%y%m%d%H%M%S", &local);
  return stamp;
}

std::string dateText(std::string_view stamp) {
  std::string digits(stamp.substr(0, 12));
  digits.resize(12, '0');
  auto pair = [&](int i) { return digits.substr(static_cast<std::size_t>(2 * i), 2); };
  return pair(2) + "/" + pair(1) + "/20" + pair(0) + "  " + pair(3) + ":" + pair(4) + " " + pair(5) + "s";
}

Rect rectFromInclusive(int left, int top, int right, int bottom) {
  auto after = [](int last) { return static_cast<int>(static_cast<std::uint32_t>(last) + 1U); };
  return {left, top, after(right), after(bottom)};
}

std::array<int, 4> inclusiveEdges(const Rect& rect) {
  auto last = [](int after) { return static_cast<int>(static_cast<std::uint32_t>(after) - 1U); };
  return {rect.left, rect.top, last(rect.right), last(rect.bottom)};
}

Rect defaultImageArea(Point click, int areaWidth, int areaHeight) {
  return rectFromInclusive(std::max(click.x - 20, 1), std::max(click.y - 10, 1), std::min(click.x + 20, areaWidth - 1),
                           std::min(click.y + 10, areaHeight - 1));
}

Rect defaultTextArea(const Rect& imageArea) {
  const auto [left, top, right, bottom] = inclusiveEdges(imageArea);
  // Edges near the ends of the 32-bit range wrap as the file's fields do.
  auto wrapped = [](long long edge) { return static_cast<int>(static_cast<std::uint32_t>(edge)); };
  return rectFromInclusive(wrapped(right + 10LL), top, wrapped(2LL * right + 10 - left), bottom);
}

RecordImage makeNewRecord(const NewRecordFields& fields) {
  RecordImage record;
  record.setText(TextField::Created, fields.created);
  record.setText(TextField::Kind, std::string(1, fields.kind));
  record.set(IntField::KindMarker, fields.kind == 'R' ? 0 : 1);
  record.set(IntField::ReservedOne, 1);
  record.set(IntField::ClickFlag, fields.kind == 'M' ? 1 : 0);
  record.setText(TextField::Instruction, instructionFor(fields.kind, fields.text));

  bool desktop = fields.firstRecordOfFile || fields.windowsKeyHeld || fields.text.find("WIN]") != std::string::npos;
  if (desktop) {
    record.setText(TextField::WindowClass, "Program");
    record.setText(TextField::WindowTitle, "Program Manager");
    record.setText(TextField::Process, "explorer.exe");
  } else {
    record.setText(TextField::WindowClass, fields.windowClass);
    record.setText(TextField::WindowTitle, fields.windowTitle.empty() ? "-" : fields.windowTitle);
    record.setText(TextField::Process, fields.process);
  }

  Point click = fields.click;
  if (click.x < 0 || click.y < 0 || click.x > fields.areaWidth || click.y > fields.areaHeight) click = {100, 15};
  record.setClick(click);
  Rect image = fields.imageArea.value_or(defaultImageArea(click, fields.areaWidth, fields.areaHeight));
  record.setImageArea(image);
  record.setTextArea(defaultTextArea(image));
  record.set(IntField::AlternateLeft, -1);
  record.set(IntField::AlternateTop, -1);

  record.setText(TextField::Comment, fields.comment);
  record.set(IntField::MinWait, fields.minWait);
  record.set(IntField::MaxWait, fields.maxWait);
  record.setText(TextField::LayoutTag, kLayoutTag);
  record.setWindow({0, 0, 0, fields.pictureWidth, fields.pictureHeight});
  record.setText(TextField::User, fields.user);
  record.set(IntField::Play, 1);
  record.set(IntField::Erase, 0);
  record.setCapturedEvent(fields.capturedEvent);
  record.set(IntField::Shift, fields.shift);
  record.set(IntField::Ctrl, fields.ctrl);
  record.set(IntField::Alt, fields.alt);
  record.set(IntField::Sense, fields.sense);
  return record;
}

}  // namespace qlm
