// fuzz/FuzzEntries2005.h
#pragma once

#include <cstddef>
#include <cstdint>

// Entry point of the 2005/2008 page fuzzer, shared with its corpus regression test. The bytes
// become one 8192-byte page (zero-padded or cut) that is read as a boot page, an IAM page, a page
// of every hidden base table and a data page of a table with a column of every type, each value
// rendered as grid text. Must accept any bytes without crashing; returns 0.
int FuzzDataPage2005(const std::uint8_t* pData, std::size_t nSize);
