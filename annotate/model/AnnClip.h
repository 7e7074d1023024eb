// The archive form of one annotation object on the clipboard (format "VELLVIEW_ANNOTATION"): an
// object array of exactly one element, the object with its class tag and fields as in the side
// file. Any program may put bytes under that name, so reading takes only an annotation object
// and nothing else.
// Not for: the clipboard itself (Windows side, AnnClipWin.cpp).
#pragma once

class CAnnObj;
class CArchive;

void AnnStoreClip(CArchive& ar, const CAnnObj& obj);
// The first object of the array (owned by the caller), or null when the array is empty. A damaged
// or foreign array throws the archive's exception and leaves nothing behind.
CAnnObj* AnnLoadClip(CArchive& ar);
