// common/Export.h
#pragma once

// The libraries are built with hidden symbols: what another library or a front end may call is
// marked AMBERMILL_API (the core's interface) or is a format library's exported factory.
#define AMBERMILL_API __attribute__((visibility("default")))
