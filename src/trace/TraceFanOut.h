#pragma once
// One trace entry for several listeners: the debugger with its trace writer,
// and whatever else wants to see the events (a log, a test).
#include <vector>

#include "language/Services.h"

namespace qlm {

class TraceFanOut final : public TraceSink {
 public:
  // The listeners are not owned; each must outlive its membership.
  void add(TraceSink& sink);
  void remove(TraceSink& sink);
  void traceEvent(const TraceEvent& event) override;

 private:
  std::vector<TraceSink*> m_sinks;
};

}  // namespace qlm
