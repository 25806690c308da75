#pragma once

#include <array>
#include <cstdint>

namespace vlx {

// Record type numbers of the presentation format ([MS-PPT]) and of the OfficeArt drawings
// inside it ([MS-ODRAW]). The one list of them: code elsewhere names these constants.
inline constexpr uint16_t kTypeDocument = 0x03E8;
inline constexpr uint16_t kTypeDocumentAtom = 0x03E9;
inline constexpr uint16_t kTypeSlide = 0x03EE;
inline constexpr uint16_t kTypeSlideAtom = 0x03EF;
inline constexpr uint16_t kTypeNotes = 0x03F0;
inline constexpr uint16_t kTypeSlidePersistAtom = 0x03F3;
inline constexpr uint16_t kTypeMainMaster = 0x03F8;
inline constexpr uint16_t kTypePPDrawing = 0x040C;
inline constexpr uint16_t kTypeTextHeaderAtom = 0x0F9F;
inline constexpr uint16_t kTypeTextCharsAtom = 0x0FA0;
inline constexpr uint16_t kTypeTextBytesAtom = 0x0FA8;
inline constexpr uint16_t kTypeStyleTextPropAtom = 0x0FA1;
inline constexpr uint16_t kTypeSlideListWithText = 0x0FF0;
inline constexpr uint16_t kTypeUserEditAtom = 0x0FF5;
inline constexpr uint16_t kTypeCurrentUserAtom = 0x0FF6;
inline constexpr uint16_t kTypeProgTags = 0x1388;
inline constexpr uint16_t kTypePersistDirectoryAtom = 0x1772;
inline constexpr uint16_t kTypeDrawingGroupContainer = 0xF000;  // OfficeArt DggContainer
inline constexpr uint16_t kTypeBlipStore = 0xF001;
inline constexpr uint16_t kTypeNotesAtom = 0x03F1;
inline constexpr uint16_t kTypeHandout = 0x0FC9;
inline constexpr uint16_t kTypeOutlineTextRefAtom = 0x0F9E;
inline constexpr uint16_t kTypeDrawingContainer = 0xF002;       // OfficeArt DgContainer
inline constexpr uint16_t kTypeGroupContainer = 0xF003;         // OfficeArt SpgrContainer
inline constexpr uint16_t kTypeShapeContainer = 0xF004;         // OfficeArt SpContainer
inline constexpr uint16_t kTypeDrawingAtom = 0xF008;            // OfficeArt FDG
inline constexpr uint16_t kTypeGroupShapeAtom = 0xF009;         // OfficeArt FSPGR
inline constexpr uint16_t kTypeShapeAtom = 0xF00A;              // OfficeArt FSP
inline constexpr uint16_t kTypeClientTextbox = 0xF00D;          // OfficeArt client textbox
inline constexpr uint16_t kTypeClientAnchor = 0xF010;           // OfficeArt client anchor
inline constexpr uint16_t kTypeClientData = 0xF011;             // OfficeArt client data
inline constexpr uint16_t kTypePlaceholderAtom = 0x0BC3;        // OEPlaceholderAtom
inline constexpr uint16_t kTypeBlipStoreEntry = 0xF007;         // OfficeArt FBSE
inline constexpr uint16_t kTypeShapeOptions = 0xF00B;           // OfficeArt FOPT
inline constexpr uint16_t kTypeSecondaryOptions = 0xF121;       // OfficeArt secondary FOPT
inline constexpr uint16_t kTypeTertiaryOptions = 0xF122;        // OfficeArt tertiary FOPT
inline constexpr uint16_t kTypeFirstBlip = 0xF018;              // OfficeArt blip records span
inline constexpr uint16_t kTypeLastBlip = 0xF117;               // these types
inline constexpr uint16_t kTypeExternalObjectStorage = 0x1011;  // OLE objects, controls, VBA

// The records a persist directory maps: the Document, its slides, notes pages, masters and
// handout, and the stored objects.
inline constexpr bool IsPersistedObjectType(uint16_t type) {
  return type == kTypeDocument || type == kTypeSlide || type == kTypeNotes ||
         type == kTypeMainMaster || type == kTypeHandout || type == kTypeExternalObjectStorage;
}

// The children a Document container holds, besides the slide lists and the Document atom.
inline constexpr uint16_t kTypeEndDocument = 0x03EA;
inline constexpr uint16_t kTypeEnvironment = 0x03F2;
inline constexpr uint16_t kTypeSlideShowDocInfoAtom = 0x0401;
inline constexpr uint16_t kTypeSummary = 0x0402;
inline constexpr uint16_t kTypeDocRoutingSlipAtom = 0x0406;
inline constexpr uint16_t kTypeExternalObjectList = 0x0409;
inline constexpr uint16_t kTypeDrawingGroup = 0x040B;  // PPDrawingGroup: the blip store
inline constexpr uint16_t kTypeNamedShows = 0x0410;
inline constexpr uint16_t kTypeCustomTableStylesAtom = 0x0428;
inline constexpr uint16_t kTypeList = 0x07D0;  // the document's info list
inline constexpr uint16_t kTypeSoundCollection = 0x07E4;
inline constexpr uint16_t kTypeHeadersFooters = 0x0FD9;
inline constexpr uint16_t kTypePrintOptionsAtom = 0x1770;
// Present in the document stream of a presentation saved with a password.
inline constexpr uint16_t kTypeCryptSession10Container = 0x2F14;

// The headerToken of a CurrentUserAtom: a presentation saved without and with a password.
inline constexpr uint32_t kCurrentUserTokenPlain = 0xE391C05F;
inline constexpr uint32_t kCurrentUserTokenEncrypted = 0xF3D1C4DF;

// Byte 0 of a version-0xF container header whose instance has its low four bits clear.
inline constexpr uint8_t kContainerMark = 0x0F;

// Version/instance words that open an OfficeArt picture (blip) record: version 0 and the
// instance of a WMF, EMF, JPEG, PICT, PNG or DIB blip, and one of no published kind.
inline constexpr std::array<uint16_t, 7> kPictureRecordWords = {0x2160, 0x3D40, 0x46A0, 0x5420,
                                                                0x6E00, 0x7A80, 0x8000};

// Record types of the OfficeArt picture (blip) records.
inline constexpr uint16_t kTypeBlipFirst = 0xF018;
inline constexpr uint16_t kTypeBlipLast = 0xF117;

// Instances of the picture (blip) records. Each kind has two: the even one carries one
// 16-byte identifier before the picture, the odd one (instance + 1) two.
inline constexpr uint16_t kBlipInstanceWmf = 0x216;
inline constexpr uint16_t kBlipInstanceEmf = 0x3D4;
inline constexpr uint16_t kBlipInstanceJpeg = 0x46A;
inline constexpr uint16_t kBlipInstancePict = 0x542;
inline constexpr uint16_t kBlipInstancePng = 0x6E0;
inline constexpr uint16_t kBlipInstanceJpegCmyk = 0x6E2;
inline constexpr uint16_t kBlipInstanceTiff = 0x6E4;
inline constexpr uint16_t kBlipInstanceDib = 0x7A8;
inline constexpr uint16_t kBlipInstanceUnnamed = 0x800;  // 0x8000 above: of no published kind

}  // namespace vlx
