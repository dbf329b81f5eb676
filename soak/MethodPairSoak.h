// The METHOD pairs of a long-running host, as a case of the soak.
#pragma once

namespace karvo::test {

// Reads METHOD properties whose (code, data) pair changes on every read,
// by GetProperty and GetPropertyList in turn, `reads` pairs in all,
// printing the process's handles and private bytes and the store's size
// every `every` reads. Checks on the way that every number points at its
// pair, and that a number still holds its pair after one read fewer than
// the store's capacity of other pairs and is reused after that many.
// With `check`, fails (non-zero) when memory or handles grow past a small
// margin once the store is full, or when a number was wrong.
int SoakMethodPairs(long reads, long every, bool check);

}  // namespace karvo::test
