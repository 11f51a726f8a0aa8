#include "trace/TraceFanOut.h"

#include <algorithm>

namespace qlm {

void TraceFanOut::add(TraceSink& sink) {
  if (&sink == this || std::find(m_sinks.begin(), m_sinks.end(), &sink) != m_sinks.end()) return;
  m_sinks.push_back(&sink);
}

void TraceFanOut::remove(TraceSink& sink) { std::erase(m_sinks, &sink); }

void TraceFanOut::traceEvent(const TraceEvent& event) {
  for (TraceSink* sink : m_sinks) sink->traceEvent(event);
}

}  // namespace qlm
