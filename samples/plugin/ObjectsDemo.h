#pragma once
// The host-objects part of the sample plug-in: the number of checks that
// went wrong.
int RunObjectsDemo();
