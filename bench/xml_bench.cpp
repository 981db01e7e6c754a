// XML and JSON: reading text into THtXMLNode trees, writing them back as
// UTF-16 and UTF-8, and XPath queries over them.
#include <benchmark/benchmark.h>

#include <string>

#include "markup/xml_node.h"
#include "markup/xpath.h"

namespace {

using namespace ht;

// About 1 MB of XML: 5000 records with attributes, text and escapes.
String makeXml() {
  String s = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalog>\n";
  for (int i = 0; i < 5000; ++i) {
    const String n = AsciiToString(std::to_string(i));
    s += u"  <item id=\"" + n + u"\" kind=\"book\">\n    <title>Title &amp; more " + n +
         u"</title>\n    <price>" + n + u".95</price>\n    <note>caf\u00e9 &lt;x&gt;</note>\n  </item>\n";
  }
  return s + u"</catalog>\n";
}

String makeJson() {
  String s = u"[";
  for (int i = 0; i < 5000; ++i) {
    const String n = AsciiToString(std::to_string(i));
    if (i) s += u",";
    s += u"{\"id\":" + n + u",\"title\":\"Title \\u00e9 " + n + u"\",\"tags\":[\"a\",\"b\",true,null],\"price\":" + n +
         u".95}";
  }
  return s + u"]";
}

void BM_XmlParse(benchmark::State& state) {
  const String xml = makeXml();
  for (auto _ : state) {
    THtXMLNode root(xml);
    benchmark::DoNotOptimize(root.Count());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(xml.size() * 2));
}
BENCHMARK(BM_XmlParse)->Unit(benchmark::kMillisecond);

void BM_JsonParse(benchmark::State& state) {
  const String json = makeJson();
  for (auto _ : state) {
    auto root = THtXMLNode::CreatefromJSON(json);
    benchmark::DoNotOptimize(root->Count());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(json.size() * 2));
}
BENCHMARK(BM_JsonParse)->Unit(benchmark::kMillisecond);

void BM_XmlCode(benchmark::State& state) {
  const THtXMLNode root(makeXml());
  for (auto _ : state) benchmark::DoNotOptimize(root.Code());
}
BENCHMARK(BM_XmlCode)->Unit(benchmark::kMillisecond);

void BM_XmlUtf8FormattedCode(benchmark::State& state) {
  const THtXMLNode root(makeXml());
  for (auto _ : state) benchmark::DoNotOptimize(root.UTF8FormattedCode(true));
}
BENCHMARK(BM_XmlUtf8FormattedCode)->Unit(benchmark::kMillisecond);

void BM_XPathPredicate(benchmark::State& state) {
  THtXMLNode root(makeXml());
  for (auto _ : state) benchmark::DoNotOptimize(XPath(&root, u"item[@id>=2500 and @kind='book']/title")->GetCount());
}
BENCHMARK(BM_XPathPredicate)->Unit(benchmark::kMillisecond);

}  // namespace
