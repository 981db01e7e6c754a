#pragma once
// Documents on the trace canvas; the suite's environment starts the layout
// unit (and so the document, style and markup units) once.
#include <gtest/gtest.h>

#include <memory>

#include "document/document.h"
#include "layout/layout_startup.h"
#include "support/trace_canvas.h"

namespace ht::testing {

class DocumentTest : public ::testing::Test {
 protected:
  std::unique_ptr<THtDocument> NewDocument(bool Threaded = false) {
    return std::make_unique<THtDocument>(&TTraceCanvas::ClassType, Threaded);
  }
};

}  // namespace ht::testing
