#pragma once
// A document on the trace canvas for suites that must not see the canvas
// headers (the computed-style headers name font styles of their own).
#include <memory>

#include "document/document.h"

namespace ht::testing {
std::unique_ptr<THtDocument> MakeTraceDocument();
}
