#pragma once
// The parts of the X11 backend, each over a shared connection.
#include <memory>

#include "platform/Capture.h"
#include "platform/Clipboard.h"
#include "platform/Input.h"
#include "platform/InputWatch.h"
#include "platform/KeyboardLayout.h"
#include "platform/Overlay.h"
#include "platform/Processes.h"
#include "platform/Windows.h"
#include "platform/x11/X11Connection.h"

namespace qlm::x11 {

std::unique_ptr<Windows> makeWindows(std::shared_ptr<Connection> connection);
std::unique_ptr<Input> makeInput(std::shared_ptr<Connection> connection);
std::unique_ptr<InputWatch> makeInputWatch(std::shared_ptr<Connection> connection);
std::unique_ptr<KeyboardLayout> makeKeyboardLayout(std::shared_ptr<Connection> connection);
std::unique_ptr<Capture> makeCapture(std::shared_ptr<Connection> connection);
// Plain XGetImage only, the peer that the benchmark compares against.
std::unique_ptr<Capture> makePlainCapture(std::shared_ptr<Connection> connection);
std::unique_ptr<Clipboard> makeClipboard(std::shared_ptr<Connection> connection);
std::unique_ptr<Sound> makeSound(std::shared_ptr<Connection> connection);
std::unique_ptr<Overlay> makeOverlay(std::shared_ptr<Connection> connection);

// The focus and the pointer against one target window (its own window, a
// window inside it, or a transient dialog of it). Callers hold the lock.
bool focusInside(_XDisplay* display, XId root, XId target);
bool pointerInside(_XDisplay* display, XId root, XId target);
bool windowBelongsTo(_XDisplay* display, XId root, XId window, XId target);
// The client window inside a window manager's frame, or the frame itself.
XId clientWindowBelow(_XDisplay* display, XId frame);

// Bytes that the local process `pid` has not yet read from its sockets;
// nothing when they cannot be seen.
std::optional<long> unreadSocketBytes(int pid);

}  // namespace qlm::x11
