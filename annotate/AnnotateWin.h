// What the document, the view and the tool factory of app/ call of the annotations: creating and
// loading a document's annotation set, drawing it into a view, redrawing it on every view, and
// making the annotation tools by number, the clipboard exchange of one object and the properties
// dialog of an object.
// Not for: the set's own logic (model/Vlr.h) or the tools' behaviour (AnnTools.h).
#pragma once

#include "FrameworkWin.h"

class CAnnObj;
class CTool;
class CVLRDoc;
class CVLRView;
class CVlr;

// A new set for the drawing, named by the settings "UseRedlineDir" and "RedlineDir" and loaded
// from its side file (owned by the caller).
CVlr* AnnCreateSet(LPCSTR lpszDrawingPath);
// Each object in drawing order, through the view's transform.
void AnnDrawSet(CVlr& set, CVLRView* pView, CDC* pDC);
void AnnDrawObject(CAnnObj& obj, CVlr& set, CVLRView* pView, CDC* pDC);
// The object's area of the view, to be repainted.
void AnnInvalidateObject(CAnnObj& obj, CVlr& set, CVLRView* pView);
// The object's area on every view of the document.
void AnnInvalidateOnAllViews(CAnnObj& obj, CVLRDoc* pDoc);
// The object's own properties dialog (a text's text dialog); on OK the values are stored and,
// for a text, its height becomes the setting "TextHeight". TRUE on OK.
BOOL AnnEditProperties(CAnnObj& obj, CWnd* pParent);
// Draws the document's set straight onto every view's window (no erasing, no invalidation).
void AnnRedrawAllViews(CVLRDoc* pDoc);
// The object on the clipboard in the format "VELLVIEW_ANNOTATION"; FALSE when the clipboard
// cannot be opened.
BOOL AnnCopyToClipboard(const CAnnObj& obj);
// The clipboard's annotation object, added to the set with its anchor at the document point;
// FALSE when the clipboard holds none (or cannot be opened).
BOOL AnnPasteFromClipboard(CVlr& set, int x, int y);
// Whether the clipboard holds data of the annotation format.
BOOL AnnHasClipboardObject();
// A tool of annotate/ by number, or null for a number it does not make.
CTool* AnnCreateTool(int nId);
CTool* AnnCreateMeasureTool(int nId);
// The annotation-layer dialog over the set; the set changes only on OK.
void AnnEditLayers(CVlr& set, CWnd* pParent);
// The resolution a raster document is measured at (400 dpi when it has none, or is no raster).
double AnnRasterDpi(const CVLRDoc* pDoc);
// A base length or area of the document in true millimetres through a drawing scale, and back:
// the drawing form for a loaded vector drawing (drawing units), else the raster form with the
// raster's resolution (image pixels).
double AnnBaseToTrueMm(const CVLRDoc* pDoc, double dBase, double dFirst, double dSecond, int nScaleUnit);
double AnnBaseAreaToTrueMm2(const CVLRDoc* pDoc, double dBase, double dFirst, double dSecond, int nScaleUnit);
int AnnTrueMmToBase(const CVLRDoc* pDoc, double dMillimetres, double dFirst, double dSecond, int nScaleUnit);
// The view's commands to the current length or area tool; nothing for another tool.
enum { kMeasureEnd, kMeasureUndo, kMeasureCancel };
void AnnMeasureCommand(CVLRView* pView, int nCommand);
