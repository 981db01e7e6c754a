#include "canvas/exporters.h"

#include "canvas/canvas.h"
#include "markup/hash_dictionary.h"

namespace ht {

namespace {

class THtExporterContainer : public THtObject {
 public:
  String Format;
  const THtPagedExporterClass* ExporterClass = nullptr;
};

StringView exporterKey(const THtObject* AObject) { return static_cast<const THtExporterContainer*>(AObject)->Format; }

// Format name to exporter class; created on the first registration.
class THtExporterList : public THtObjectDictionary {
 public:
  THtExporterList() : THtObjectDictionary(4, true, &exporterKey) {}
};

std::unique_ptr<THtExporterList>& exporters() {
  static std::unique_ptr<THtExporterList> list;
  return list;
}

std::unique_ptr<THtDocumentConverter>& converters() {
  static std::unique_ptr<THtDocumentConverter> list;
  return list;
}

std::shared_ptr<IHtImageConverter>& imageConverter() {
  static std::shared_ptr<IHtImageConverter> converter;
  return converter;
}

THtDocumentConverter& converterList() {
  if (!converters()) converters() = std::make_unique<THtDocumentConverter>();
  return *converters();
}

// The extension with its point, as written; empty when the name has none.
String extensionOf(StringView AFileName) {
  const size_t dot = AFileName.find_last_of(u'.');
  const size_t sep = AFileName.find_last_of(u"/\\");
  if (dot == StringView::npos || (sep != StringView::npos && dot < sep)) return String();
  return String(AFileName.substr(dot));
}

String upperAscii(StringView s) {
  String u(s);
  for (char16_t& c : u) c = AsciiUpper(c);
  return u;
}

// The format named by a known extension, else empty.
String formatOfExtension(StringView AExtUpper, bool ForText) {
  static const StringView kHtml[] = {u".EMF", u".WMF", u".HTML", u".TXT"};
  static const StringView kText[] = {u".EPUB", u".PDF", u".FB2"};
  for (StringView e : kHtml)
    if (AExtUpper == e) return String(e.substr(1));
  if (ForText)
    for (StringView e : kText)
      if (AExtUpper == e) return String(e.substr(1));
  if (AExtUpper == u".HTM") return u"HTML";
  return String();
}

}  // namespace

// ---------------------------------------------------------------------------
// Paged exporters

String THtPagedExporterClass::FileFormat() const {
  if (!fileFormat_) throw EAbstractError(String(u"Abstract Error"));
  return String(fileFormat_);
}

bool THtPagedExporter::RenderPage(THtMetaList*, int APageWidthPixels, int APageHeightPixels) {
  ++fPage;
  FPageWidthPixels = float(APageWidthPixels);
  FPageHeightPixels = float(APageHeightPixels);
  return true;
}

void THtPagedExporter::SavetoFile(StringView AFileName) {
  TFileStream stream(AFileName, fmCreate);
  SavetoStream(stream);
}

void THtPagedExporter::RegisterExporter(StringView AFormat, const THtPagedExporterClass* AExporterClass) {
  if (!exporters()) exporters() = std::make_unique<THtExporterList>();
  THtExporterContainer* entry;
  if (exporters()->TryGetValue(AFormat, entry)) {
    entry->ExporterClass = AExporterClass;
    return;
  }
  auto container = std::make_unique<THtExporterContainer>();
  container->Format = String(AFormat);
  container->ExporterClass = AExporterClass;
  exporters()->AddObject(container.release());
}

const THtPagedExporterClass* THtPagedExporter::FindExporter(StringView AFormat) {
  THtExporterContainer* entry;
  if (exporters() && exporters()->TryGetValue(AFormat, entry)) return entry->ExporterClass;
  return nullptr;
}

// ---------------------------------------------------------------------------
// Document converters

void THtDocumentConverter::RegisterConverter(StringView AFileType, StringView AFileExt, StringView AName,
                                             std::shared_ptr<IHtDocumentConverter> AConverter) {
  THtDocumentConverter& list = converterList();
  for (THtDocumentConverterRec* rec : list)
    if (rec->FileType == AFileType) {
      rec->Converter = std::move(AConverter);
      return;
    }
  auto rec = std::make_unique<THtDocumentConverterRec>();
  rec->FileType = String(AFileType);
  rec->FileExt = String(AFileExt);
  rec->Name = String(AName);
  rec->Converter = std::move(AConverter);
  list.Add(rec.release());
}

void THtDocumentConverter::UnRegisterConverter(THtDocumentClassRef ADocumentClass) {
  if (!converters()) return;
  THtDocumentConverter& list = *converters();
  for (int i = 0; i < list.Count(); ++i) {
    const auto& conv = list.Get(i)->Converter;
    if (conv && conv->DocumentClass() == ADocumentClass) {
      list.Delete(i);
      return;
    }
  }
}

void THtDocumentConverter::RegisterFormatQualifier(std::shared_ptr<IHtDocumentFormatQualifier> AQualifier) {
  converterList().FQualifier = std::move(AQualifier);
}

void THtDocumentConverter::RegisterImageConverter(std::shared_ptr<IHtImageConverter> AConverter) {
  imageConverter() = std::move(AConverter);
}

std::shared_ptr<IHtImageConverter> THtDocumentConverter::ImageConverter() { return imageConverter(); }

std::shared_ptr<IHtDocumentConverter> THtDocumentConverter::GetConverter(StringView AFileFormat) {
  if (!converters()) return nullptr;
  for (THtDocumentConverterRec* rec : *converters())
    if (SameTextAscii(rec->FileType, AFileFormat)) return rec->Converter;
  return nullptr;
}

int THtDocumentConverter::ConverterCount() { return converters() ? converters()->Count() : 0; }

THtDocumentConverterRec* THtDocumentConverter::Converters(int Index) {
  if (!converters()) throw EListError(u"List index out of bounds (%d)", Index);
  return converters()->Get(Index);
}

String THtDocumentConverter::GetStreamFormat(TStream& ADocument) {
  if (!converters() || !converters()->FQualifier) return String();
  return converters()->FQualifier->GetStreamFormat(ADocument);
}

String THtDocumentConverter::GetFileFormat(StringView AFileName) {
  try {
    TFileStream stream(AFileName, fmOpenRead);
    return GetStreamFormat(stream);
  } catch (...) {
    return String();
  }
}

String THtDocumentConverter::FiletoHTML(StringView AFileName) {
  const String ext = extensionOf(AFileName);
  String format = formatOfExtension(upperAscii(ext), false);
  if (format.empty()) format = GetFileFormat(AFileName);
  if (format.empty() && !ext.empty()) format = ext.substr(1);
  if (format.empty()) return String();
  std::shared_ptr<IHtDocumentConverter> conv = GetConverter(format);
  return conv ? conv->FiletoHTML(AFileName, THtConverterEvent()) : String();
}

String THtDocumentConverter::StreamtoHTML(TStream& AStream, StringView AFormat) {
  const String format = AFormat.empty() ? GetStreamFormat(AStream) : String(AFormat);
  if (format.empty()) return String();
  std::shared_ptr<IHtDocumentConverter> conv = GetConverter(format);
  return conv ? conv->StreamtoHTML(AStream, THtConverterEvent()) : String();
}

String THtDocumentConverter::FiletoText(StringView AFileName, const THtConverterTextEvent& AOnText) {
  String format = formatOfExtension(upperAscii(extensionOf(AFileName)), true);
  if (format.empty()) format = GetFileFormat(AFileName);
  if (format.empty()) return String();
  std::shared_ptr<IHtDocumentConverter> conv = GetConverter(format);
  if (!conv) return String();
  TFileStream stream(AFileName, fmOpenRead);
  return conv->StreamtoText(stream, THtConverterEvent(), AOnText);
}

String THtDocumentConverter::StreamtoText(TStream& AStream, const THtConverterTextEvent& AOnText) {
  const String format = GetStreamFormat(AStream);
  if (format.empty()) return String();
  std::shared_ptr<IHtDocumentConverter> conv = GetConverter(format);
  return conv ? conv->StreamtoText(AStream, THtConverterEvent(), AOnText) : String();
}

void FinalizeExporterRegistries() {
  exporters().reset();
  converters().reset();
  imageConverter().reset();
}

}  // namespace ht
