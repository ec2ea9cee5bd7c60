#include "report/stop_deferral.h"

#include <signal.h>

#include <initializer_list>

namespace growth {
namespace {

volatile sig_atomic_t g_depth = 0;  // DeferStops alive
volatile sig_atomic_t g_held_signal = 0;

// Stops the process the way the signal would have without a handler.
void StopBy(int signal_number) {
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

extern "C" void OnStopSignal(int signal_number) {
  if (g_depth != 0) {
    g_held_signal = signal_number;
  } else {
    StopBy(signal_number);
  }
}

}  // namespace

void InstallStopDeferral() {
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction previous = {};
    // A signal ignored when the program started (nohup, a background job)
    // stays ignored.
    if (sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
      continue;
    }
    sigaction(signal_number, &action, nullptr);
  }
}

DeferStops::DeferStops() { g_depth = g_depth + 1; }

DeferStops::~DeferStops() {
  // A signal between the load and the store sees either depth: held back
  // if it sees the old one, and then taken just below.
  g_depth = g_depth - 1;
  if (g_depth == 0 && g_held_signal != 0) StopBy(g_held_signal);
}

bool StopHeld() { return g_held_signal != 0; }

}  // namespace growth
