#pragma once
// Late-bound calls by member name, the way a spreadsheet application is
// driven over Automation: every object answers the identifier of a member
// name, then calls of that member with a call type and arguments.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qlm {

class UiService;

enum class CallType { Method = 1, PropertyGet = 2, MethodOrGet = 3, PropertyPut = 4 };

class Dispatch;

struct Variant {
  enum class Kind { Empty, Text, Number, Object };
  Kind kind = Kind::Empty;
  std::string text;
  double number = 0;
  std::shared_ptr<Dispatch> object;

  static Variant ofText(std::string value) { return {Kind::Text, std::move(value), 0, nullptr}; }
  static Variant ofNumber(double value) { return {Kind::Number, {}, value, nullptr}; }
  static Variant ofObject(std::shared_ptr<Dispatch> value) { return {Kind::Object, {}, 0, std::move(value)}; }
};

// Result codes of Automation calls.
using ResultCode = std::uint32_t;
inline constexpr ResultCode kOk = 0;
inline constexpr ResultCode kFailed = 0x80004005;            // E_FAIL
inline constexpr ResultCode kMemberNotFound = 0x80020003;    // DISP_E_MEMBERNOTFOUND
inline constexpr ResultCode kTypeMismatch = 0x80020005;      // DISP_E_TYPEMISMATCH
inline constexpr ResultCode kUnknownName = 0x80020006;       // DISP_E_UNKNOWNNAME
inline constexpr ResultCode kException = 0x80020009;         // DISP_E_EXCEPTION
inline constexpr ResultCode kBadIndex = 0x8002000B;          // DISP_E_BADINDEX
inline constexpr ResultCode kBadParamCount = 0x8002000E;     // DISP_E_BADPARAMCOUNT
inline constexpr ResultCode kApplicationError = 0x800A03EC;  // the spreadsheet's own failure

class Dispatch {
 public:
  virtual ~Dispatch() = default;
  virtual std::optional<int> memberId(std::string_view name) const = 0;
  virtual ResultCode invoke(int member, CallType type, std::span<const Variant> arguments, Variant* result) = 0;
};

// A member of a built-in object: its name, its identifier and the call types it answers.
struct MemberInfo {
  std::string_view name;
  int id;
  bool method;
  bool get;
  bool put;
};

std::optional<int> findMember(std::span<const MemberInfo> members, std::string_view name);
// kMemberNotFound when the member does not answer this call type.
ResultCode checkCall(std::span<const MemberInfo> members, int member, CallType type);

// Where Automation failures are told: the user, unless the caller is quiet.
struct AutomationContext {
  UiService& ui;
  bool quiet = false;  // set only while saving
};

// One call by member name, with the messages of its failures.
ResultCode autoWrap(AutomationContext& context, CallType type, Variant* result, Dispatch* target,
                    std::string_view member, std::span<const Variant> arguments = {});

}  // namespace qlm
