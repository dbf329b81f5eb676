#pragma once
// The SQL part of the sample plug-in: the number of checks that went wrong.
int RunSqlDemo();
