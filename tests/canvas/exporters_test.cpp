#include "canvas/exporters.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace ht {
namespace {

class TNullExporter : public THtPagedExporter {
 public:
  const THtPagedExporterClass* ClassRefOf() const override { return nullptr; }
  void BeginDocument() override {}
  void EndDocument() override {}
  void SavetoStream(TStream&) override {}
};
const THtPagedExporterClass ExporterA{"A", nullptr, &CreateInstance<TNullExporter, THtPagedExporter>, u"PDF"};
const THtPagedExporterClass ExporterB{"B", nullptr, &CreateInstance<TNullExporter, THtPagedExporter>, u"PDF"};

// Answers with its name and records what it was asked.
class TTestConverter : public IHtDocumentConverter {
 public:
  explicit TTestConverter(String AName) : Name(std::move(AName)) {}
  String FiletoHTML(StringView AFileName, const THtConverterEvent&) override {
    return Name + u":" + String(AFileName);
  }
  String StreamtoHTML(TStream&, const THtConverterEvent&) override { return Name + u":stream"; }
  String StreamtoText(TStream&, const THtConverterEvent&, const THtConverterTextEvent&) override {
    return Name + u":text";
  }
  THtDocumentClassRef DocumentClass() const override { return this; }
  String Name;
};

class TTestQualifier : public IHtDocumentFormatQualifier {
 public:
  String GetStreamFormat(TStream&) override {
    ++Calls;
    return Answer;
  }
  String Answer;
  int Calls = 0;
};

class Registries : public ::testing::Test {
 protected:
  void SetUp() override { FinalizeExporterRegistries(); }
  void TearDown() override { FinalizeExporterRegistries(); }
};

TEST_F(Registries, ExporterNamesAreCaseSensitive) {
  EXPECT_EQ(THtPagedExporter::FindExporter(u"PDF"), nullptr);
  THtPagedExporter::RegisterExporter(u"PDF", &ExporterA);
  THtPagedExporter::RegisterExporter(u"PDF", &ExporterB);
  EXPECT_EQ(THtPagedExporter::FindExporter(u"PDF"), &ExporterB);
  EXPECT_EQ(THtPagedExporter::FindExporter(u"pdf"), nullptr);
  EXPECT_EQ(ExporterB.FileFormat(), u"PDF");
  auto e = ExporterB.Create();
  EXPECT_EQ(e->Page(), -1);
  EXPECT_TRUE(e->RenderPage(nullptr, 10, 20));
  EXPECT_EQ(e->Page(), 0);
  EXPECT_EQ(e->PageHeightPixels(), 20);
}

TEST_F(Registries, NothingRegistered) {
  TMemoryStream st;
  EXPECT_EQ(THtDocumentConverter::ConverterCount(), 0);
  EXPECT_EQ(THtDocumentConverter::ImageConverter(), nullptr);
  EXPECT_EQ(THtDocumentConverter::GetConverter(u"HTML"), nullptr);
  EXPECT_EQ(THtDocumentConverter::FiletoHTML(u"report.htm"), u"");
  EXPECT_EQ(THtDocumentConverter::FiletoText(u"report.txt", {}), u"");
  EXPECT_EQ(THtDocumentConverter::StreamtoHTML(st, u""), u"");
  EXPECT_EQ(THtDocumentConverter::StreamtoText(st, {}), u"");
  EXPECT_EQ(THtDocumentConverter::GetFileFormat(u"/no/such/file"), u"");
}

TEST_F(Registries, ConverterLookUpIgnoresCaseRegistrationDoesNot) {
  auto upper = std::make_shared<TTestConverter>(u"upper");
  auto lower = std::make_shared<TTestConverter>(u"lower");
  THtDocumentConverter::RegisterConverter(u"HTML", u".html", u"Web page", upper);
  THtDocumentConverter::RegisterConverter(u"html", u".html", u"Web page", lower);
  EXPECT_EQ(THtDocumentConverter::ConverterCount(), 2);
  EXPECT_EQ(THtDocumentConverter::GetConverter(u"html"), upper);
  auto replacement = std::make_shared<TTestConverter>(u"replacement");
  THtDocumentConverter::RegisterConverter(u"HTML", u".html", u"Web page", replacement);
  EXPECT_EQ(THtDocumentConverter::ConverterCount(), 2);
  EXPECT_EQ(THtDocumentConverter::GetConverter(u"Html"), replacement);
  THtDocumentConverter::UnRegisterConverter(replacement->DocumentClass());
  EXPECT_EQ(THtDocumentConverter::ConverterCount(), 1);
  EXPECT_EQ(THtDocumentConverter::GetConverter(u"HTML"), lower);
  EXPECT_EQ(THtDocumentConverter::Converters(0)->FileType, u"html");
  EXPECT_THROW(THtDocumentConverter::Converters(1), EListError);
}

TEST_F(Registries, FileFormatFromExtensionOrContent) {
  auto qualifier = std::make_shared<TTestQualifier>();
  THtDocumentConverter::RegisterConverter(u"HTML", u".html", u"Web page", std::make_shared<TTestConverter>(u"html"));
  THtDocumentConverter::RegisterConverter(u"XYZ", u".xyz", u"Scans", std::make_shared<TTestConverter>(u"xyz"));

  // Known extensions never ask the qualifier; the file need not exist.
  EXPECT_EQ(THtDocumentConverter::FiletoHTML(u"report.htm"), u"html:report.htm");
  EXPECT_EQ(THtDocumentConverter::FiletoHTML(u"dir.v2/REPORT.HTML"), u"html:dir.v2/REPORT.HTML");
  // Without a qualifier an unknown extension is the format as written (for
  // HTML), and no format at all for text.
  EXPECT_EQ(THtDocumentConverter::FiletoHTML(u"scan.xyz"), u"xyz:scan.xyz");
  EXPECT_EQ(THtDocumentConverter::FiletoText(u"scan.xyz", {}), u"");
  EXPECT_EQ(THtDocumentConverter::FiletoHTML(u"noext"), u"");

  THtDocumentConverter::RegisterFormatQualifier(qualifier);
  qualifier->Answer = u"HTML";
  EXPECT_EQ(THtDocumentConverter::FiletoHTML(u"report.htm"), u"html:report.htm");
  EXPECT_EQ(qualifier->Calls, 0);
  // An unreadable file gives the qualifier nothing to look at.
  EXPECT_EQ(THtDocumentConverter::FiletoHTML(u"/no/such/scan.xyz"), u"xyz:/no/such/scan.xyz");
  EXPECT_EQ(qualifier->Calls, 0);
  TMemoryStream st;
  EXPECT_EQ(THtDocumentConverter::StreamtoHTML(st, u""), u"html:stream");
  EXPECT_EQ(THtDocumentConverter::StreamtoHTML(st, u"xyz"), u"xyz:stream");
  EXPECT_EQ(THtDocumentConverter::StreamtoText(st, {}), u"html:text");
  EXPECT_EQ(qualifier->Calls, 2);

  // Text conversion reads the file through the converter's stream operation.
  THtDocumentConverter::RegisterConverter(u"txt", u".txt", u"Text", std::make_shared<TTestConverter>(u"txt"));
  const char* root = std::getenv("TARNWICK_SOURCE_DIR");
  const String file = Utf8ToString(std::string(root ? root : ".") + "/tests/data/hyphenation_dictionary.txt");
  EXPECT_EQ(THtDocumentConverter::FiletoText(file, {}), u"txt:text");
}

}  // namespace
}  // namespace ht
