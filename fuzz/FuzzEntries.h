// fuzz/FuzzEntries.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Entry points shared by the libFuzzer targets and the corpus regression tests. Each must accept
// any bytes without crashing or reading outside its buffers; the return value is always 0.

// The bytes become one 8192-byte page (zero-padded or cut); the page is walked by the catalog's
// row readers (sysobjects, systypes, syscolumns, syscomments, sysindexes, sysreferences) as if it
// belonged to each table, then decoded as data rows of a table with a column of every type (grid
// text and INSERT values).
int FuzzDataPage(const std::uint8_t* pData, std::size_t nSize);

// The bytes patch a small data file made by the builder (tables of many types with ghost rows,
// freed slots and large values on text pages, user types, views and procedures), and the whole
// recovery runs on the result: the page scan, the catalog, then every table's grid walk and its
// batched export walk into memory. The input is a list of patches: a page byte (255: cut the
// file), a 16-bit offset in the page and a length, then that many bytes written there.
int FuzzRecovery(const std::uint8_t* pData, std::size_t nSize);
// The builder's file the patches apply to, unpatched (a seed for the corpus).
const std::vector<std::byte>& FuzzRecoveryBaseFile();
