// sample_files.h: sample files for a new simulated terminal, so that a new user
// finds something to list and fetch under C:\DATA and D:\LOOKUP. The caller's
// thread, before the terminal starts.
#pragma once

class SimStorage;

// Stores the samples that are not there yet. False when one cannot be stored.
bool SeedSampleFiles(SimStorage& storage);
