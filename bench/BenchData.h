#pragma once

#include <string>

class CStore;

// The data the benchmarks measure: `periods` periods over 50 projects, newest first as the
// program keeps them, about an hour each with gaps between, and notes as people write them
// (a third empty, most a few words, some a sentence or two, a few several lines, now and
// then an accented letter). About 57 bytes a period on disk.
void FillBenchStore(CStore& store, int periods);
// The data file of that store, made once per size.
const std::string& BenchFileBytes(int periods);
// A folder under $TMPDIR (default /tmp) for the benchmarks' files, removed at exit.
const std::string& BenchDir();
// BenchFileBytes written to BenchDir() once; returns the path.
std::string BenchFile(int periods);
