// fuzz/FuzzEntries.h
#pragma once

#include <cstddef>
#include <cstdint>

// Entry points shared by the libFuzzer targets and the corpus regression tests. Each must accept
// any bytes without crashing or reading outside its buffers; the return value is always 0.

// The bytes become one 8192-byte page (zero-padded or cut); the page is walked by the catalog's
// row readers (sysobjects, systypes, syscolumns, syscomments, sysindexes, sysreferences) as if it
// belonged to each table, then decoded as data rows of a table with a column of every type (grid
// text and INSERT values).
int FuzzDataPage(const std::uint8_t* pData, std::size_t nSize);
