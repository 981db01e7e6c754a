#pragma once
// Process-wide registries through which add-ons plug formats into the
// engine: paged exporters by format name (a recording canvas's pages to a
// document; "PDF" is what SavetoPDFStream looks for), document converters by
// file type (other formats to HTML or text, helped by an optional format
// qualifier that recognises a format from the content) and one image
// converter kept for the decoders. Nothing registers anything by itself, so
// out of the box every look-up finds nothing.
//
// Registration is meant for start-up on the main thread; nothing locks.
#include <functional>
#include <memory>

#include "canvas/canvas_types.h"
#include "canvas/pixel_buffer.h"
#include "markup/object_list.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/stream.h"
#include "platform/rtl/string.h"

namespace ht {

class THtMetaList;
class THtPagedExporter;

// Class reference of the exporters: the virtual constructor and the format
// name the class stands for (null for an abstract class).
class THtPagedExporterClass : public TClassRef<THtPagedExporter> {
 public:
  constexpr THtPagedExporterClass(std::string_view name, const THtPagedExporterClass* parent, CreateFn create,
                                  const char16_t* AFileFormat)
      : TClassRef(name, parent, create), fileFormat_(AFileFormat) {}
  // The format name; EAbstractError for an abstract class.
  String FileFormat() const;

 private:
  const char16_t* fileFormat_;
};

class THtPagedExporter : public THtObject {
 public:
  virtual const THtPagedExporterClass* ClassRefOf() const = 0;

  THtPagedExporter() = default;

  virtual void BeginDocument() = 0;
  virtual void EndDocument() = 0;
  // One page given as a display list. The base counts the page, keeps its
  // size and answers true; false stops the export.
  virtual bool RenderPage(THtMetaList* AMeta, int APageWidthPixels, int APageHeightPixels);
  virtual void SavetoStream(TStream& AStream) = 0;
  // Creates (or replaces) the file; it is closed whatever happens.
  virtual void SavetoFile(StringView AFileName);

  int Page() const { return fPage; }
  float PageWidthPixels() const { return FPageWidthPixels; }
  float PageHeightPixels() const { return FPageHeightPixels; }

  // Registers AExporterClass for AFormat (case-sensitive), replacing the
  // class of an existing entry.
  static void RegisterExporter(StringView AFormat, const THtPagedExporterClass* AExporterClass);
  // The class registered for exactly AFormat, or null.
  static const THtPagedExporterClass* FindExporter(StringView AFormat);

 protected:
  int fPage = -1;
  float FPageWidthPixels = 0, FPageHeightPixels = 0;
};

// Handlers a host may pass to converters; the class functions below always
// pass empty ones.
using THtConverterEvent = std::function<void(THtObject* Sender)>;
// Receives the text of a document as a converter produces it.
using THtConverterTextEvent = std::function<void(StringView Text)>;
// Identifies the document class a converter stands for.
using THtDocumentClassRef = const void*;

class IHtDocumentConverter {
 public:
  virtual ~IHtDocumentConverter() = default;
  virtual String FiletoHTML(StringView AFileName, const THtConverterEvent& AEvent) = 0;
  virtual String StreamtoHTML(TStream& AStream, const THtConverterEvent& AEvent) = 0;
  virtual String StreamtoText(TStream& AStream, const THtConverterEvent& AEvent,
                              const THtConverterTextEvent& AOnText) = 0;
  virtual THtDocumentClassRef DocumentClass() const = 0;
};

class IHtDocumentFormatQualifier {
 public:
  virtual ~IHtDocumentFormatQualifier() = default;
  // The format name of the document, empty when not recognised.
  virtual String GetStreamFormat(TStream& ADocument) = 0;
};

// Decoders for images of other formats; this registry only keeps it. Each
// operation decodes the bytes into 32-bit rows of straight (not
// premultiplied) blue, green, red and alpha, or gives null.
class IHtImageConverter {
 public:
  virtual ~IHtImageConverter() = default;
  virtual std::unique_ptr<THtBitmapData> JPEGtoBitmapData(const THtBytes&) { return nullptr; }
  virtual std::unique_ptr<THtBitmapData> PNGtoBitmapData(const THtBytes&) { return nullptr; }
  virtual std::unique_ptr<THtBitmapData> GIFtoBitmapData(const THtBytes&) { return nullptr; }
  // PNG bytes of the pixels; empty when the converter cannot encode.
  virtual THtBytes BitmapDatatoPNG(const THtBitmapData&) { return THtBytes(); }
};

class THtDocumentConverterRec : public THtObject {
 public:
  String FileType;
  String FileExt;
  String Name;
  std::shared_ptr<IHtDocumentConverter> Converter;
};

// The registered converters, in registration order, with the qualifier.
class THtDocumentConverter : public THtObjectListOf<THtDocumentConverterRec> {
 public:
  THtDocumentConverter() : THtObjectListOf<THtDocumentConverterRec>(true) {}

  // Replaces the converter of the entry whose FileType is exactly
  // AFileType, else appends an entry.
  static void RegisterConverter(StringView AFileType, StringView AFileExt, StringView AName,
                                std::shared_ptr<IHtDocumentConverter> AConverter);
  // Removes the first entry whose converter stands for ADocumentClass.
  static void UnRegisterConverter(THtDocumentClassRef ADocumentClass);
  static void RegisterFormatQualifier(std::shared_ptr<IHtDocumentFormatQualifier> AQualifier);
  static void RegisterImageConverter(std::shared_ptr<IHtImageConverter> AConverter);
  static std::shared_ptr<IHtImageConverter> ImageConverter();
  // The converter of the first entry whose FileType equals AFileFormat
  // ignoring case, or null.
  static std::shared_ptr<IHtDocumentConverter> GetConverter(StringView AFileFormat);
  static int ConverterCount();
  // 0 <= Index < ConverterCount, else EListError.
  static THtDocumentConverterRec* Converters(int Index);
  // The qualifier's answer; empty without one.
  static String GetStreamFormat(TStream& ADocument);
  // GetStreamFormat of the file; empty on any failure.
  static String GetFileFormat(StringView AFileName);

  // The format comes from the extension (.EMF, .WMF, .HTML, .TXT, and .HTM
  // as HTML), else from the qualifier, else the extension as written.
  static String FiletoHTML(StringView AFileName);
  static String StreamtoHTML(TStream& AStream, StringView AFormat);
  // As FiletoHTML, also knowing .EPUB, .PDF and .FB2, without the fallback
  // to the extension.
  static String FiletoText(StringView AFileName, const THtConverterTextEvent& AOnText);
  static String StreamtoText(TStream& AStream, const THtConverterTextEvent& AOnText);

  std::shared_ptr<IHtDocumentFormatQualifier> FQualifier;
};

// The unit's shutdown: frees the exporter registry and the converter list
// and releases the image converter.
void FinalizeExporterRegistries();

}  // namespace ht
