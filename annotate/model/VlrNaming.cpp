// Naming side files, the index of the annotation folder, and writing a file safely.
#include "VlrNaming.h"

#include "Archive.h"
#include "Exception.h"
#include "File.h"
#include "Map.h"
#include "Vlr.h"

const char kVlrIndexName[] = "VLRFile.idx";

namespace {

// The folder part of a path, with its separator; empty when there is none.
CString FolderOf(LPCSTR lpszPath) {
  CString path(lpszPath);
  int nSep = path.ReverseFind('\\');
  if (nSep < 0) nSep = path.ReverseFind('/');
  return nSep < 0 ? CString() : path.Left(nSep + 1);
}

// The path with the extension of its file name (not of a folder) replaced by "VLR".
CString WithVlrExtension(LPCSTR lpszPath) {
  CString path(lpszPath);
  const int nDot = path.ReverseFind('.');
  if (nDot >= FolderOf(path).GetLength() && nDot >= 0) return path.Left(nDot + 1) + "VLR";
  return path + ".VLR";
}

void RemoveQuietly(LPCSTR lpszPath) {
  try {
    CFile::Remove(lpszPath);
  } catch (CException* e) {
    e->Delete();
  }
}

}  // namespace

CString VlrDrawingName(LPCSTR lpszPath) {
  CString path(lpszPath);
  int nSep = path.ReverseFind('\\');
  if (nSep < 0) nSep = path.ReverseFind('/');
  return nSep < 0 ? path : path.Mid(nSep + 1);
}

CString VlrSideFileBeside(LPCSTR lpszDrawingPath, BOOL bLongFileNames) {
  if (bLongFileNames) return CString(lpszDrawingPath) + ".VLR";
  return WithVlrExtension(lpszDrawingPath);
}

BOOL VlrWriteFile(LPCSTR lpszPath, CVlrHost& host, const std::function<void(CArchive&)>& fnStore) {
  const CString temp = host.GetUniqueFileName(FolderOf(lpszPath), "VLR");
  if (temp.IsEmpty()) return FALSE;
  try {
    CFile file(temp, CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store, 4096);
    ar.m_strFileName = temp;
    fnStore(ar);
    ar.Close();
    file.Close();
  } catch (CException* e) {
    e->Delete();
    RemoveQuietly(temp);
    return FALSE;
  }
  if (!host.ReplaceFile(temp, lpszPath)) {
    RemoveQuietly(temp);
    return FALSE;
  }
  return TRUE;
}

CString VlrSideFileFromIndex(LPCSTR lpszDrawingPath, LPCSTR lpszFolder, CVlrHost& host) {
  const CString indexPath = CString(lpszFolder) + kVlrIndexName;
  CMapStringToString index;
  BOOL bIndexReadable = TRUE;
  CFileStatus status;
  if (CFile::GetStatus(indexPath, status)) {
    try {
      CFile file(indexPath, CFile::modeRead | CFile::shareDenyWrite);
      CArchive ar(&file, CArchive::load);
      ar.m_strFileName = indexPath;
      index.Serialize(ar);
      ar.Close();
    } catch (CException* e) {
      e->Delete();
      bIndexReadable = FALSE;
    }
  }
  // Paths name the same file whatever their case, as side-file names match.
  POSITION pos = index.GetStartPosition();
  while (pos != nullptr) {
    CString key, value;
    index.GetNextAssoc(pos, key, value);
    if (key.CompareNoCase(lpszDrawingPath) == 0) return value;
  }

  CString name = host.GetUniqueFileName(lpszFolder, "VLR");
  if (name.IsEmpty()) return name;
  RemoveQuietly(name);
  name = WithVlrExtension(name);
  if (bIndexReadable) {
    index.SetAt(lpszDrawingPath, name);
    // When the index cannot be written, the name serves this time all the same.
    VlrWriteFile(indexPath, host, [&index](CArchive& ar) { index.Serialize(ar); });
  }
  return name;
}

CString VlrSideFileName(LPCSTR lpszDrawingPath, BOOL bUseRedlineDir, LPCSTR lpszRedlineDir, CVlrHost& host) {
  if (bUseRedlineDir && lpszRedlineDir != nullptr && *lpszRedlineDir != '\0')
    return VlrSideFileFromIndex(lpszDrawingPath, lpszRedlineDir, host);
  return VlrSideFileBeside(lpszDrawingPath, host.HasLongFileNames(lpszDrawingPath));
}
