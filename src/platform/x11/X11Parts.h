#pragma once
// The parts of the X11 backend, each over a shared connection.
#include <memory>

#include "platform/Capture.h"
#include "platform/Clipboard.h"
#include "platform/Input.h"
#include "platform/InputWatch.h"
#include "platform/Processes.h"
#include "platform/Windows.h"
#include "platform/x11/X11Connection.h"

namespace qlm::x11 {

std::unique_ptr<Windows> makeWindows(std::shared_ptr<Connection> connection);
std::unique_ptr<Input> makeInput(std::shared_ptr<Connection> connection);
std::unique_ptr<InputWatch> makeInputWatch(std::shared_ptr<Connection> connection);
std::unique_ptr<Capture> makeCapture(std::shared_ptr<Connection> connection);
// Plain XGetImage only, the peer that the benchmark compares against.
std::unique_ptr<Capture> makePlainCapture(std::shared_ptr<Connection> connection);
std::unique_ptr<Clipboard> makeClipboard(std::shared_ptr<Connection> connection);
std::unique_ptr<Sound> makeSound(std::shared_ptr<Connection> connection);

// Bytes that the local process `pid` has not yet read from its sockets;
// nothing when they cannot be seen.
std::optional<long> unreadSocketBytes(int pid);

}  // namespace qlm::x11
