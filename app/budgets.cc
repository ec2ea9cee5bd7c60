#include "app/budgets.h"

namespace growth {
namespace {

// The built-in budgets are these shares of kExplicitBudget: a quarter for
// pruning, half for the progress line's graph, a thirty-second for the
// quick fold. --memory keeps the shares.
size_t table_memory = kExplicitBudget;

}  // namespace

void SetTableMemory(size_t bytes) { table_memory = bytes; }

size_t ExplicitBudget() { return table_memory; }
size_t PruningBudget() { return table_memory / 4; }
size_t ProgressBudget() { return table_memory / 2; }
size_t QuickFoldBudget() { return table_memory / 32; }

}  // namespace growth
