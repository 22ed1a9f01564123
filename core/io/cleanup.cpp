#include "core/io/cleanup.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "core/io/platform.h"

namespace seep {
namespace {

// Enough for every temporary of many conversions side by side (each has at most three at once: the
// output, the MicroAVS work file or the VTU folder, the collection), and names as long as the
// system's path limit.
constexpr int kSlots = 256;
constexpr std::size_t kNameMax = 4096;

// A slot goes kFree -> kFilling -> kLive -> kFree. A sweep takes a live slot for the moment it reads
// the name (kSweeping) and gives it back, so that the slot is neither freed nor filled anew while the
// name is read: the sweep never removes a name half overwritten by another one.
enum SlotState : int { kFree = 0, kFilling = 1, kLive = 2, kSweeping = 3 };

struct Slot {
  std::atomic<int> state{kFree};
  TemporaryKind kind = TemporaryKind::kFile;
  char name[kNameMax]{};
};

static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the table without locks");

// Made when the program is loaded, all zeros: no code runs over the megabyte at start-up.
constinit Slot g_slots[kSlots];
std::atomic<bool> g_ending{false};
std::atomic<int> g_held{0};
std::atomic<int> g_progressWidth{0};  // columns of the progress line shown on the terminal; 0: none

// The progress line blanked out, so that the interruption's line starts a line of its own.
void EraseProgressLine() noexcept {
  char blank[520];
  const int width = std::min(g_progressWidth.load(), 512);
  if (width <= 0) return;
  blank[0] = '\r';
  std::memset(blank + 1, ' ', static_cast<std::size_t>(width));
  blank[width + 1] = '\r';
  WriteErrorNow(blank, static_cast<std::size_t>(width) + 2);
}
static_assert(std::atomic<bool>::is_always_lock_free);

int Remember(std::string_view name, TemporaryKind kind) {
  if (name.empty() || name.size() >= kNameMax) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!g_slots[i].state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) continue;
    std::memcpy(g_slots[i].name, name.data(), name.size());
    g_slots[i].name[name.size()] = '\0';
    g_slots[i].kind = kind;
    g_slots[i].state.store(kLive, std::memory_order_release);
    // Made while an interruption sweeps, perhaps after it passed this slot: taken away here.
    if (g_ending.load()) {
      if (kind == TemporaryKind::kFile) {
        RemoveFileNow(g_slots[i].name);
      } else {
        RemoveFolderNow(g_slots[i].name);
      }
    }
    return i;
  }
  return -1;
}

void Sweep(TemporaryKind kind) noexcept {
  for (Slot& slot : g_slots) {
    int expected = kLive;
    if (!slot.state.compare_exchange_strong(expected, kSweeping, std::memory_order_acquire)) continue;
    if (slot.kind == kind) {
      if (kind == TemporaryKind::kFile) {
        RemoveFileNow(slot.name);
      } else {
        RemoveFolderNow(slot.name);
      }
    }
    slot.state.store(kLive, std::memory_order_release);
  }
}

}  // namespace

TemporaryTicket::TemporaryTicket(std::string_view name, TemporaryKind kind) : slot_(Remember(name, kind)) {}

TemporaryTicket& TemporaryTicket::operator=(TemporaryTicket&& other) noexcept {
  if (this != &other) {
    Forget();
    slot_ = other.slot_;
    other.slot_ = -1;
  }
  return *this;
}

void TemporaryTicket::Forget() noexcept {
  if (slot_ < 0) return;
  // A sweep reading the name holds the slot for a moment: it is freed once the sweep gave it back.
  std::atomic<int>& state = g_slots[slot_].state;
  for (;;) {
    int expected = kLive;
    if (state.compare_exchange_weak(expected, kFree, std::memory_order_release) ||
        (expected != kSweeping && expected != kLive))
      break;
  }
  slot_ = -1;
}

void ProgressLineShown(int columns) {
  g_progressWidth.store(columns);
}

bool RunIsEnding() {
  return g_ending.load();
}

InterruptionsHeld::InterruptionsHeld() {
  HoldSignalsInThisThread(true);
  ++g_held;
}

InterruptionsHeld::~InterruptionsHeld() {
  --g_held;
  HoldSignalsInThisThread(false);
}

void SignalPoint(const char* point) {
  static const char* const wanted = std::getenv("SEEPCONV_SIGNAL_AT");
  if (wanted != nullptr && std::strcmp(wanted, point) == 0) std::raise(SIGTERM);
}

void RemoveTemporariesNow() noexcept {
  // Renames that belong together finish first (5 s at most).
  for (int wait = 0; wait < 250 && g_held.load() > 0; ++wait) PauseBriefly();
  g_ending.store(true);
  // Files first: a temporary file may lie in a temporary folder.
  Sweep(TemporaryKind::kFile);
  Sweep(TemporaryKind::kFolder);
}

void EndRunsCleanlyOnSignals() {
  OnInterruption(&RemoveTemporariesNow, &EraseProgressLine);
}

}  // namespace seep
