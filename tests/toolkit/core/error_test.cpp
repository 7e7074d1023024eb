// Error texts: every number's text must come back whole, whether it is stored as it stands or
// joined from a shared prefix, and a joined text must survive until the next call only.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/core/error.h"

namespace {

// The texts as the application shows them, by number.
const char* const expected_texts[] = {
    "No error", "Can't allocate control block", "General failure", "Can't open file",
    "Error reading header", "Can't determine file type", "Can't init file system",
    "Can't allocate fcb", "Unsupported file version", "Error in xdata read malloc",
    "Error in xdata write malloc", "Can't allocate read buffer", "Can't allocate write buffer",
    "Can't set write buffer", "Can't create dxf temp data list", "Can't allocate write blocks",
    "Character not in font", "Font not in table", "Can't allocate temp string",
    "Can't open xref temp file", "Can't open external reference", "Unsupported file write version",
    "Unsupported DXF version", "No BMP present in this file", "Can't open BMP output file",
    "No WMF present in this file", "Can't open WMF output file", "Disk full",
    "Not enough memory to draw leader", "Not enough memory to draw spline",
    "Unexpected end of file", "Error in DXF header", "Error in DXF entity", "Error in DXF table",
    "Error in DXF block", "Error in DXF object", "Too many VM page frames", "Too many VM pages",
    "Attempt to allocate 0 bytes", "Bad vmmalloc magic number", "Attempt to free a null VM pointer",
    "Attempt to free a free VM pointer", "Attempt to free a non-malloced VM pointer",
    "Not enough memory to start VM", "VM file write failed", "Error loading linetypes",
    "Error loading layers", "Error loading classes", "Error loading vports", "Error loading ucses",
    "Error loading regapps", "Error loading views", "Error loading shape files",
    "Error loading dimstyles", "Error loading block headers", "Error loading entities",
    "Error loading objects", "Can't allocate memory for file save", "Error writing header",
    "Can't resolve header layer", "Can't resolve header linetype", "Can't resolve header dimstyle",
    "Can't resolve header ucs", "Can't resolve header pspace ucs",
    "Can't resolve header text style", "Can't resolve header dim text style", "Can't resolve layer",
    "Can't resolve linetype", "Can't resolve text style/shape file",
    "Can't resolve dimension style", "Error resolving viewport entities",
    "Can't resolve extended data application index", "Can't resolve extended entity layer index",
    "Can't find block for entity read", "No entities found for block", "Can't resolve block header",
    "No linetypes in list", "Linetype not found", "No registered apps in list", "Regapp not found",
    "No shapefiles in list", "Shapefile not found", "No dimstyles in list", "Dimstyle not found",
    "No views in list", "View not found", "No viewports in list", "Viewport not found",
    "No ucss in list", "Ucs not found", "No layers in list", "Layer not found",
    "No blockheaders in list", "Block header not found", "Error removing purged items",
    "Dropped shape entity from file", "Can't read header block", "Error deleting entity xdata",
    "Error deleting entity longdata", "Error deleting entity", "Error deleting regapp xdata",
    "Error deleting regapp", "Error freeing regapp", "Error deleting layer xdata",
    "Error deleting layer", "Error freeing layer", "Error deleting linetype xdata",
    "Error deleting linetype", "Error freeing linetype", "Error deleting shapefile xdata",
    "Error deleting shapefile", "Error freeing shapefile", "Error deleting view xdata",
    "Error deleting view", "Error freeing view", "Error deleting vport xdata",
    "Error deleting vport", "Error freeing vport", "Error deleting dimstyle xdata",
    "Error deleting dimstyle", "Error freeing dimstyle", "Error deleting ucs xdata",
    "Error deleting ucs", "Error freeing ucs", "Error deleting blockheader xdata",
    "Error deleting blockheader preview", "Error deleting blockheader", "Error freeing blockheader",
    "Can't resolve header mlstyle", "Error loading entity list", "Error loading block entities",
    "Error resolving header", "Can't get current mlstyle", "Can't add default objects",
    "Can't malloc for raster file write", "Error in raster data", "Unable to allocate VM memory",
    "Maximum VM memory blocks exceeded", "Attempt to read from non-existent VM block",
    "File has no BMP", "File has no WMF", "File already has BMP", "File already has WMF",
    "Error loading BMP", "Error loading WMF", "Error on block entity read",
    "Error flushing object to VM", "Error on layer read start", "Error reading layer",
    "Couldn't find vpentheader handle", "Error closing file", "Attempt to delete from null list",
    "Entity not found in list", "Duplicate handle in file", "Incomplete ACIS entry (no image)",
    "Unexpected end of file in DXF", "Invalid DXF version", "Can't allocate blob buffer",
    "Error writing dictionary object", "Error deleting proxy data", "Error deleting proxy obj IDs",
    "Error writing proxy object", "Attempt to read from null blob", "Attempt to write to null blob",
    "No objects in list", "Unknown Xrecord type read", "Attempt to write unknown Xrecord type",
    "Cannot process large proxy entity", "Did not find object to delete", "Error freeing object",
    "Error deleting object", "Can't find leader dimstyle", "Attempt to add duplicate handle",
    "Btree error", "Can't find tolerance dimstyle", "Error deleting during replace",
    "No classes in list", "Error deleting class xdata", "Error deleting class",
    "Error freeing class", "Did not find class to delete", "Error allocating temporary header",
    "Unable to open init file", "Incorrect init file version", "Header size invalid",
    "Error in header", "Bad DWG info", "Entity invalid", "Block header invalid", "Layer invalid",
    "Shape file invalid", "Linetype invalid", "View invalid", "UCS invalid", "Viewport invalid",
    "Registered application invalid", "Dimstyle invalid", "Viewport entity header invalid",
    "Block entity invalid", "Bad entity", "Bad second header", "Bad object", "Bad class definition",
    "Object map write error", "No pspace vport (id 1) found",
    "Can't replace objects of different types", "Error allocating parent buffer",
    "Error allocating codepage buffer", "Error allocating zombie buffer",
    "Error allocating btree buffer", "Error allocating blob buffer",
    "Error allocating objhandle buffer", "Error allocating bestentry buffer",
    "Error allocating vp pointer", "Can't allocate vm btnode", "Can't allocate vm blob",
    "Can't allocate vm temp memory", "Can't allocate vm header", "Can't allocate vm llist",
    "Can't allocate vm llalloc", "Can't allocate vm linetype", "Can't allocate vm blockheader",
    "Can't allocate vm bindata", "Can't allocate vm structure",
    "Can't allocate LWPLINE temp storage", "Can't allocate hatch data storage",
    "Can't find entity to replace", "Can't set current node", "Error on entity add during replace",
    "Error on vpent list update", "Can't create idbuffer class", "Attempt to add NULL objhandle",
    "Attempt to insert non-existent block", "Can't allocate vertex", "Can't allocate linetype",
    "Can't allocate shptb", "Can't allocate view matrices", "Can't allocate skip vertex",
    "Can't allocate point matrix", "Can't allocate shape matrices", "Can't allocate polyline",
    "Can't allocate pl storage", "Can't allocate vert", "Can't allocate block",
    "Can't allocate mline type", "Can't allocate solmat", "Can't allocate ellipse viewmat",
    "Can't allocate mline arcs viewmat", "Can't allocate mline arc caps",
    "Can't allocate segltypes", "Can't allocate mesh verts", "Can't allocate grdata storage",
    "Can't allocate shell verts", "Can't allocate shell faces", "Can't allocate grshell prims",
    "Can't allocate proxy img viewmat", "Can't allocate mline ltype",
    "Can't allocate mline segltypes", "Can't allocate text shmat", "Can't allocate mtext storage",
    "Can't allocate mtext shma", "Can't allocate second vert", "Can't allocate vert tempptr",
    "Can't allocate polyarc vert", "Can't allocate polymesh vert", "Can't allocate polymesh points",
    "Can't allocate polymesh vptr", "Can't allocate shp smallindex", "Can't allocate shp temp",
    "Can't allocate bigindex temp", "Can't allocate bigindex", "Can't allocate shp datablock",
    "Can't allocate temp adhd", "Can't allocate draw temps", "Can't allocate spline stuff",
    "Can't allocate ad3 ctrl blocks", "Can't allocate lt shape shmat",
    "Can't find group dictionary", "Can't seek group dictionary", "Can't add group",
    "Can't read dicitem blob", "Can't replace dictionary object", "Can't replace entity",
    "Can't seek entity", "Can't allocate TL internal data", "Can't malloc for raster add",
    "R14 beta format files are not supported", "Viewport entity with no extended data -- invalid",
    "Can't resolve entity extended data", "Can't add entity", "Can't add entity handle to index",
    "Can't add viewport entity to list", "Duplicate handle", "Error allocating shapefile",
    "Can't init shfile system", "TL init data must be loaded", "Unable to open font",
    "Unable to open bigfont", "DXF line too long", "DXF line contains non-numbers",
    "Bad object handle in header -- possible beta format file",
    "Probable bad viewport entity header data", "Error in viewport entity header",
    "Handle not found in btree", "Unable to set current node in list",
    "Unable to get requested item", "Save attempted to incompatible version",
    "Error reading ACIS object",
};

}  // namespace

TEST(ErrorText, EveryNumberGivesItsText) {
  static_assert(sizeof expected_texts / sizeof *expected_texts == TK_ERR_LAST + 1);
  for (TkError n = 0; n <= TK_ERR_LAST; ++n) EXPECT_STREQ(tk_error_text(n), expected_texts[n]) << n;
}

TEST(ErrorText, OutOfRange) {
  for (TkError n : {-1, 308, 65535, INT32_MIN})
    EXPECT_STREQ(tk_error_text(n), "Error number out of range") << n;
}

TEST(ErrorText, JoinedTextLivesUntilTheNextCall) {
  const char* first = tk_error_text(45);
  std::string kept = first;
  const char* second = tk_error_text(46);
  EXPECT_EQ(kept, "Error loading linetypes");
  EXPECT_STREQ(second, "Error loading layers");
  EXPECT_EQ(first, second) << "joined texts share one buffer";
}

TEST(ErrorText, FailWithoutToolkitIsHarmless) {
  EXPECT_EQ(tk_fail(TK_ERR_GENERAL), 0);
  EXPECT_EQ(tk_get_last_error(), 0);
}
