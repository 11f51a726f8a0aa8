#include "spreadsheet/BuiltinApplication.h"

#include <cmath>
#include <vector>

#include "spreadsheet/Workbook.h"

namespace qlm {
namespace {

struct Engine;

bool oneArgument(std::span<const Variant> arguments, Variant::Kind kind) {
  return arguments.size() == 1 && arguments[0].kind == kind;
}

class RangeObject final : public Dispatch {
 public:
  RangeObject(std::shared_ptr<Workbook> book, int sheet, CellAddress cell)
      : m_book(std::move(book)), m_sheet(sheet), m_cell(cell) {}

  std::optional<int> memberId(std::string_view name) const override { return findMember(kMembers, name); }

  ResultCode invoke(int member, CallType type, std::span<const Variant> arguments, Variant* result) override {
    if (ResultCode code = checkCall(kMembers, member, type)) return code;
    if (type == CallType::PropertyPut) {
      if (arguments.size() != 1) return kBadParamCount;
      const Variant& value = arguments[0];
      if (value.kind == Variant::Kind::Object) return kTypeMismatch;
      bool written = m_book->write(m_sheet, m_cell, value.kind == Variant::Kind::Number ? numberText(value.number) : value.text);
      return written ? kOk : kApplicationError;
    }
    if (!arguments.empty()) return kBadParamCount;
    Result<std::string> text = m_book->read(m_sheet, m_cell);
    if (!text) return kApplicationError;
    if (result) *result = text->empty() ? Variant{} : Variant::ofText(std::move(*text));
    return kOk;
  }

 private:
  static constexpr MemberInfo kMembers[] = {{"Value", 6, false, true, true}};
  std::shared_ptr<Workbook> m_book;
  int m_sheet;
  CellAddress m_cell;
};

class SheetObject final : public Dispatch {
 public:
  SheetObject(std::shared_ptr<Workbook> book, int sheet) : m_book(std::move(book)), m_sheet(sheet) {}

  std::optional<int> memberId(std::string_view name) const override { return findMember(kMembers, name); }

  ResultCode invoke(int member, CallType type, std::span<const Variant> arguments, Variant* result) override {
    if (ResultCode code = checkCall(kMembers, member, type)) return code;
    if (!oneArgument(arguments, Variant::Kind::Text)) return arguments.size() == 1 ? kTypeMismatch : kBadParamCount;
    std::optional<CellAddress> cell = parseCellName(arguments[0].text);
    if (!cell) return kException;
    if (result) *result = Variant::ofObject(std::make_shared<RangeObject>(m_book, m_sheet, *cell));
    return kOk;
  }

 private:
  static constexpr MemberInfo kMembers[] = {{"Range", 197, true, true, false}};
  std::shared_ptr<Workbook> m_book;
  int m_sheet;
};

ResultCode worksheet(const std::shared_ptr<Workbook>& book, std::span<const Variant> arguments, Variant* result) {
  if (!book) return kFailed;
  if (!oneArgument(arguments, Variant::Kind::Number)) return arguments.size() == 1 ? kTypeMismatch : kBadParamCount;
  double number = arguments[0].number;
  if (!(number >= 1 && number <= book->sheetCount()) || number != std::floor(number)) return kBadIndex;
  if (result) *result = Variant::ofObject(std::make_shared<SheetObject>(book, static_cast<int>(number) - 1));
  return kOk;
}

// What the application and its collections share: the open workbooks.
struct Engine {
  explicit Engine(FileSystem& files) : fs(files) {}
  FileSystem& fs;
  std::vector<std::shared_ptr<Workbook>> open;
  std::shared_ptr<Workbook> active;
};

class WorkbookObject final : public Dispatch {
 public:
  WorkbookObject(std::shared_ptr<Engine> engine, std::shared_ptr<Workbook> book)
      : m_engine(std::move(engine)), m_book(std::move(book)) {}

  std::optional<int> memberId(std::string_view name) const override { return findMember(kMembers, name); }

  ResultCode invoke(int member, CallType type, std::span<const Variant> arguments, Variant* result) override {
    if (ResultCode code = checkCall(kMembers, member, type)) return code;
    m_engine->active = m_book;
    if (member == kSave) return m_book->save(m_engine->fs) ? kOk : kFailed;
    return worksheet(m_book, arguments, result);
  }

 private:
  static constexpr int kSave = 283;
  static constexpr MemberInfo kMembers[] = {{"Worksheets", 494, false, true, false}, {"Save", kSave, true, false, false}};
  std::shared_ptr<Engine> m_engine;
  std::shared_ptr<Workbook> m_book;
};

class WorkbooksObject final : public Dispatch {
 public:
  explicit WorkbooksObject(std::shared_ptr<Engine> engine) : m_engine(std::move(engine)) {}

  std::optional<int> memberId(std::string_view name) const override { return findMember(kMembers, name); }

  ResultCode invoke(int member, CallType type, std::span<const Variant> arguments, Variant* result) override {
    if (ResultCode code = checkCall(kMembers, member, type)) return code;
    if (!oneArgument(arguments, Variant::Kind::Text)) return arguments.size() == 1 ? kTypeMismatch : kBadParamCount;
    const std::string& name = arguments[0].text;
    std::shared_ptr<Workbook> book;
    for (const auto& open : m_engine->open) {
      if (open->path() == name) book = open;
    }
    if (!book) {
      auto loaded = Workbook::open(m_engine->fs, name);
      if (!loaded) return kApplicationError;
      book = std::move(*loaded);
      m_engine->open.push_back(book);
    }
    m_engine->active = book;
    if (result) *result = Variant::ofObject(std::make_shared<WorkbookObject>(m_engine, book));
    return kOk;
  }

 private:
  static constexpr MemberInfo kMembers[] = {{"Open", 682, true, false, false}};
  std::shared_ptr<Engine> m_engine;
};

class ApplicationObject final : public Dispatch {
 public:
  explicit ApplicationObject(FileSystem& fs) : m_engine(std::make_shared<Engine>(fs)) {}

  std::optional<int> memberId(std::string_view name) const override { return findMember(kMembers, name); }

  ResultCode invoke(int member, CallType type, std::span<const Variant> arguments, Variant* result) override {
    if (ResultCode code = checkCall(kMembers, member, type)) return code;
    switch (member) {
      case kWorkbooks:
        if (result) *result = Variant::ofObject(std::make_shared<WorkbooksObject>(m_engine));
        return kOk;
      case kWorksheets:
        return worksheet(m_engine->active, arguments, result);
      case kSave:
        if (!m_engine->active) return kFailed;
        return m_engine->active->save(m_engine->fs) ? kOk : kFailed;
      case kQuit:
        m_engine->open.clear();
        m_engine->active.reset();
        return kOk;
      default:  // Visible and DisplayAlerts: nothing is shown and nobody is asked
        return arguments.size() == 1 ? kOk : kBadParamCount;
    }
  }

 private:
  static constexpr int kWorkbooks = 572;
  static constexpr int kWorksheets = 494;
  static constexpr int kSave = 283;
  static constexpr int kQuit = 302;
  static constexpr MemberInfo kMembers[] = {{"Workbooks", kWorkbooks, false, true, false},
                                            {"Worksheets", kWorksheets, false, true, false},
                                            {"Visible", 558, false, true, true},
                                            {"DisplayAlerts", 343, false, true, true},
                                            {"Save", kSave, true, false, false},
                                            {"Quit", kQuit, true, false, false}};
  std::shared_ptr<Engine> m_engine;
};

}  // namespace

std::shared_ptr<Dispatch> makeBuiltinApplication(FileSystem& fs) { return std::make_shared<ApplicationObject>(fs); }

}  // namespace qlm
