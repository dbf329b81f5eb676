// The call document part of the sample plug-in.
#pragma once

// Reads the call's inputs from its document and writes the answer into it;
// returns the number of steps that went wrong.
int RunXmlDemo(const char* callDocument);
