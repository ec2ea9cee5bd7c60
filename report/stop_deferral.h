// Holds back a stop from outside (SIGINT, SIGTERM, SIGHUP) while a record is
// being written, so that the record reaches the file whole.
//
// Without this, the kernel may end a write at a page boundary when a fatal
// signal arrives, leaving a torn record at the end of the file. Once the
// handlers are installed, such a signal either stops the process at once,
// as it would have anyway, or, during a record's write, right after it.
// SIGKILL cannot be held back: it may still cut the one record being
// written, at a page boundary.
#ifndef GROWTH_PLANNER_REPORT_STOP_DEFERRAL_H_
#define GROWTH_PLANNER_REPORT_STOP_DEFERRAL_H_

namespace growth {

// Installs the handlers; call once at start-up, before the search.
void InstallStopDeferral();

// While one of these lives, a stop is held back (whether or not the
// handlers are installed, it costs two stores). They nest: a stop held back
// takes effect when the outermost one goes.
class DeferStops {
 public:
  DeferStops();
  ~DeferStops();
  DeferStops(const DeferStops&) = delete;
  DeferStops& operator=(const DeferStops&) = delete;
};

// True once a stop has been held back; code that holds stops for long
// polls this to wind up.
bool StopHeld();

}  // namespace growth

#endif  // GROWTH_PLANNER_REPORT_STOP_DEFERRAL_H_
