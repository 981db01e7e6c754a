#pragma once
// Bounds the depth of the recursive SVG walks (painting, boxes, hit tests,
// outlines), so that a deeply nested drawing ends instead of exhausting the
// stack; what lies deeper is skipped.
namespace ht {

struct TSVGDepthGuard {
  static constexpr int MaxDepth = 400;
  static thread_local int Depth;
  TSVGDepthGuard() { ++Depth; }
  ~TSVGDepthGuard() { --Depth; }
  TSVGDepthGuard(const TSVGDepthGuard&) = delete;
  TSVGDepthGuard& operator=(const TSVGDepthGuard&) = delete;
  bool Ok() const { return Depth <= MaxDepth; }
};

}  // namespace ht
