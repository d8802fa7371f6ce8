#pragma once

namespace zeltar::test {

// Adds the data column "fast" (bool) with one row for each link mode: "standard" and
// "fast", for tests that must give the same results in both.
void AddLinkModeRows();

} // namespace zeltar::test
