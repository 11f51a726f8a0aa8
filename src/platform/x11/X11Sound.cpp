// Beeps through the X bell, whose pitch and duration can be set; a desktop
// without a speaker stays silent and the call still succeeds.
#include <X11/Xlib.h>

#include <algorithm>

#include "platform/x11/X11Parts.h"

namespace qlm::x11 {
namespace {

class X11Sound final : public Sound {
public:
  explicit X11Sound(std::shared_ptr<Connection> connection) : m_connection(std::move(connection)) {}

  void beep(int frequency, int milliseconds) override {
    auto lock = m_connection->lock();
    Display* dpy = m_connection->display();
    XKeyboardState old{};
    XGetKeyboardControl(dpy, &old);
    XKeyboardControl control{};
    control.bell_pitch = std::clamp(frequency, 37, 32767);
    control.bell_duration = std::clamp(milliseconds, 0, 32767);
    XChangeKeyboardControl(dpy, KBBellPitch | KBBellDuration, &control);
    XBell(dpy, 100);
    control.bell_pitch = static_cast<int>(old.bell_pitch);
    control.bell_duration = static_cast<int>(old.bell_duration);
    XChangeKeyboardControl(dpy, KBBellPitch | KBBellDuration, &control);
    XFlush(dpy);
  }

  // The program's sounds are short bell tunes.
  void play(ProgramSound sound) override {
    switch (sound) {
      case ProgramSound::Hello: beep(880, 150); break;
      case ProgramSound::Ok: beep(1320, 100); break;
      case ProgramSound::Help: beep(440, 300); break;
    }
  }

private:
  std::shared_ptr<Connection> m_connection;
};

}  // namespace

std::unique_ptr<Sound> makeSound(std::shared_ptr<Connection> connection) {
  return std::make_unique<X11Sound>(std::move(connection));
}

}  // namespace qlm::x11
