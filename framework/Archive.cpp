// CArchive: the buffer over the file, the little-endian numbers, counts, strings and the object
// and class tags whose layout Archive.h gives.
#include "Archive.h"

#include "Exception.h"
#include "File.h"

#include <cstring>

namespace {

const WORD kNullTag = 0;
const WORD kNewClassTag = 0xFFFF;
const WORD kClassTag = 0x8000;
const DWORD kBigClassTag = 0x80000000;
const WORD kBigObjectTag = 0x7FFF;
// The highest index the numbering may reach, as the framework limits it.
const DWORD kMaxMapCount = 0x3FFFFFFE;
// The longest class name a reader accepts (the framework's buffer holds 63 chars and the zero).
const WORD kMaxClassNameLength = 63;

}  // namespace

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize, void* /*lpBuf*/)
    : m_pFile(pFile), m_nMode(nMode), m_buffer((size_t)(nBufSize < 128 ? 128 : nBufSize)) {
  m_strFileName = pFile->GetFilePath();
  m_loadArray.push_back({nullptr, nullptr});
}

CArchive::~CArchive() {
  if (m_pFile != nullptr && !(m_nMode & bNoFlushOnDelete)) {
    try {
      Close();
    } catch (CException* e) {
      e->Delete();
    }
  }
  m_pFile = nullptr;
}

void CArchive::Throw(int cause) const {
  AfxThrowArchiveException(cause, m_strFileName);
}

void CArchive::Flush() {
  if (IsStoring()) {
    if (m_nBufCur > 0)
      m_pFile->Write(m_buffer.data(), m_nBufCur);
    m_nBufCur = 0;
    m_pFile->Flush();
  } else if (m_nBufMax > m_nBufCur) {
    // Give back the bytes read ahead, so the file stands after what the archive consumed.
    m_pFile->Seek(-(LONG)(m_nBufMax - m_nBufCur), CFile::current);
    m_nBufCur = m_nBufMax = 0;
  }
}

void CArchive::Close() {
  if (m_pFile == nullptr)
    return;
  // Detached before the file is touched, so a failing write is not retried by the destructor.
  CFile* pFile = m_pFile;
  if (IsStoring()) {
    UINT n = m_nBufCur;
    m_nBufCur = 0;
    m_pFile = nullptr;
    if (n > 0)
      pFile->Write(m_buffer.data(), n);
    pFile->Flush();
  } else {
    Flush();
    m_pFile = nullptr;
  }
}

void CArchive::Abort() {
  m_pFile = nullptr;
}

void CArchive::FillBuffer(UINT nBytes) {
  if (m_nBufMax - m_nBufCur >= nBytes)
    return;
  // Move what is left to the front and read after it.
  UINT nLeft = m_nBufMax - m_nBufCur;
  std::memmove(m_buffer.data(), m_buffer.data() + m_nBufCur, nLeft);
  m_nBufCur = 0;
  m_nBufMax = nLeft;
  while (m_nBufMax < nBytes) {
    UINT nRead = m_pFile->Read(m_buffer.data() + m_nBufMax, (UINT)m_buffer.size() - m_nBufMax);
    if (nRead == 0)
      Throw(CArchiveException::endOfFile);
    m_nBufMax += nRead;
  }
}

UINT CArchive::Read(void* lpBuf, UINT nMax) {
  if (m_pFile == nullptr || !IsLoading())
    Throw(CArchiveException::writeOnly);
  BYTE* pOut = static_cast<BYTE*>(lpBuf);
  UINT nDone = 0;
  while (nDone < nMax) {
    if (m_nBufCur == m_nBufMax) {
      m_nBufCur = m_nBufMax = 0;
      // Large reads go straight to the caller's memory.
      if (nMax - nDone >= m_buffer.size()) {
        UINT nRead = m_pFile->Read(pOut + nDone, nMax - nDone);
        nDone += nRead;
        if (nRead == 0)
          break;
        continue;
      }
      m_nBufMax = m_pFile->Read(m_buffer.data(), (UINT)m_buffer.size());
      if (m_nBufMax == 0)
        break;
    }
    UINT n = m_nBufMax - m_nBufCur;
    if (n > nMax - nDone)
      n = nMax - nDone;
    std::memcpy(pOut + nDone, m_buffer.data() + m_nBufCur, n);
    m_nBufCur += n;
    nDone += n;
  }
  return nDone;
}

void CArchive::Write(const void* lpBuf, UINT nMax) {
  if (m_pFile == nullptr || !IsStoring())
    Throw(CArchiveException::readOnly);
  const BYTE* pIn = static_cast<const BYTE*>(lpBuf);
  while (nMax > 0) {
    if (m_nBufCur == m_buffer.size()) {
      m_pFile->Write(m_buffer.data(), m_nBufCur);
      m_nBufCur = 0;
    }
    UINT n = (UINT)m_buffer.size() - m_nBufCur;
    if (n > nMax)
      n = nMax;
    std::memcpy(m_buffer.data() + m_nBufCur, pIn, n);
    m_nBufCur += n;
    pIn += n;
    nMax -= n;
  }
}

CArchive& CArchive::WriteLE(uint64_t value, int nBytes) {
  BYTE bytes[8];
  for (int i = 0; i < nBytes; ++i)
    bytes[i] = (BYTE)(value >> (8 * i));
  Write(bytes, (UINT)nBytes);
  return *this;
}

uint64_t CArchive::ReadLE(int nBytes) {
  if (m_pFile == nullptr || !IsLoading())
    Throw(CArchiveException::writeOnly);
  FillBuffer((UINT)nBytes);
  uint64_t value = 0;
  for (int i = 0; i < nBytes; ++i)
    value |= (uint64_t)m_buffer[m_nBufCur + i] << (8 * i);
  m_nBufCur += (UINT)nBytes;
  return value;
}

CArchive& CArchive::operator<<(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return WriteLE(bits, 4);
}

CArchive& CArchive::operator<<(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return WriteLE(bits, 8);
}

CArchive& CArchive::operator>>(float& f) {
  uint32_t bits = (uint32_t)ReadLE(4);
  std::memcpy(&f, &bits, sizeof bits);
  return *this;
}

CArchive& CArchive::operator>>(double& d) {
  uint64_t bits = ReadLE(8);
  std::memcpy(&d, &bits, sizeof bits);
  return *this;
}

void CArchive::WriteCount(DWORD dwCount) {
  if (dwCount < 0xFFFF) {
    *this << (WORD)dwCount;
  } else {
    *this << (WORD)0xFFFF;
    *this << (DWORD)dwCount;
  }
}

DWORD CArchive::ReadCount() {
  WORD wCount;
  *this >> wCount;
  if (wCount != 0xFFFF)
    return wCount;
  DWORD dwCount;
  *this >> dwCount;
  return dwCount;
}

void CArchive::CheckMapCount() {
  if (m_nMapCount > kMaxMapCount)
    Throw(CArchiveException::badIndex);
}

void CArchive::WriteClass(const CRuntimeClass* pClassRef) {
  if (pClassRef->m_wSchema == 0xFFFF)
    AfxThrowNotSupportedException();
  auto it = m_storeMap.find(pClassRef);
  if (it != m_storeMap.end()) {
    DWORD nClassIndex = it->second;
    if (nClassIndex < kBigObjectTag) {
      *this << (WORD)(kClassTag | nClassIndex);
    } else {
      *this << kBigObjectTag;
      *this << (DWORD)(kBigClassTag | nClassIndex);
    }
    return;
  }
  WORD nLen = (WORD)std::strlen(pClassRef->m_lpszClassName);
  *this << kNewClassTag;
  *this << (WORD)pClassRef->m_wSchema;
  *this << nLen;
  Write(pClassRef->m_lpszClassName, nLen);
  m_storeMap[pClassRef] = m_nMapCount++;
  CheckMapCount();
}

void CArchive::WriteObject(const CObject* pOb) {
  if (pOb == nullptr) {
    *this << kNullTag;
    return;
  }
  auto it = m_storeMap.find(pOb);
  if (it != m_storeMap.end()) {
    DWORD nObIndex = it->second;
    if (nObIndex < kBigObjectTag) {
      *this << (WORD)nObIndex;
    } else {
      *this << kBigObjectTag;
      *this << nObIndex;
    }
    return;
  }
  WriteClass(pOb->GetRuntimeClass());
  m_storeMap[pOb] = m_nMapCount++;
  CheckMapCount();
  const_cast<CObject*>(pOb)->Serialize(*this);
}

CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* pClassRefRequested, UINT* pSchema,
                                   DWORD* pObTag) {
  if (pClassRefRequested != nullptr && pClassRefRequested->m_wSchema == 0xFFFF)
    AfxThrowNotSupportedException();
  WORD wTag;
  *this >> wTag;
  DWORD obTag;
  if (wTag == kBigObjectTag)
    *this >> obTag;
  else
    obTag = ((DWORD)(wTag & kClassTag) << 16) | (wTag & ~kClassTag);

  if (!(obTag & kBigClassTag)) {
    // An object tag where a class is due.
    if (pObTag == nullptr)
      Throw(CArchiveException::badIndex);
    *pObTag = obTag;
    return nullptr;
  }

  CRuntimeClass* pClassRef;
  UINT nSchema;
  if (wTag == kNewClassTag) {
    WORD wSchema, nLen;
    *this >> wSchema >> nLen;
    char szClassName[kMaxClassNameLength + 1];
    if (nLen > kMaxClassNameLength)
      Throw(CArchiveException::badClass);
    if (Read(szClassName, nLen) != nLen)
      Throw(CArchiveException::endOfFile);
    szClassName[nLen] = '\0';
    pClassRef = CRuntimeClass::FromName(szClassName);
    if (pClassRef == nullptr || pClassRef->m_wSchema == 0xFFFF)
      Throw(CArchiveException::badClass);
    if (pClassRef->m_wSchema != wSchema)
      Throw(CArchiveException::badSchema);
    nSchema = wSchema;
    m_loadArray.push_back({pClassRef, nullptr});
    ++m_nMapCount;
    CheckMapCount();
  } else {
    DWORD nClassIndex = obTag & ~kBigClassTag;
    if (nClassIndex == 0 || nClassIndex >= m_loadArray.size() ||
        m_loadArray[nClassIndex].pClass == nullptr)
      Throw(CArchiveException::badIndex);
    pClassRef = m_loadArray[nClassIndex].pClass;
    nSchema = pClassRef->m_wSchema;
  }

  if (pClassRefRequested != nullptr && !pClassRef->IsDerivedFrom(pClassRefRequested))
    Throw(CArchiveException::badClass);
  if (pSchema != nullptr)
    *pSchema = nSchema;
  else
    m_nObjectSchema = nSchema;
  if (pObTag != nullptr)
    *pObTag = obTag;
  return pClassRef;
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested) {
  return ReadObjectImpl(pClassRefRequested, false);
}

CObject* CArchive::ReadNewObject(const CRuntimeClass* pClassRefRequested) {
  return ReadObjectImpl(pClassRefRequested, true);
}

CObject* CArchive::ReadObjectImpl(const CRuntimeClass* pClassRefRequested, bool bNewOnly) {
  UINT nSchema;
  DWORD obTag;
  CRuntimeClass* pClassRef = ReadClass(pClassRefRequested, &nSchema, &obTag);
  if (pClassRef == nullptr) {
    // A repeated object (or the null object, index 0).
    if (bNewOnly && obTag != 0)
      Throw(CArchiveException::badIndex);
    if (obTag >= m_loadArray.size() || m_loadArray[obTag].pClass != nullptr)
      Throw(CArchiveException::badIndex);
    CObject* pOb = m_loadArray[obTag].pObject;
    if (pOb != nullptr && pClassRefRequested != nullptr && !pOb->IsKindOf(pClassRefRequested))
      Throw(CArchiveException::badClass);
    return pOb;
  }

  if (m_nDepth >= kMaxObjectDepth)
    Throw(CArchiveException::generic);
  CObject* pOb = pClassRef->CreateObject();
  if (pOb == nullptr)
    Throw(CArchiveException::badClass);
  // The object is numbered before its fields are read, so that they may refer back to it. When
  // its fields fail to read, it is deleted; objects it already handed out are its own business.
  m_loadArray.push_back({nullptr, pOb});
  DWORD nIndex = m_nMapCount++;
  UINT nSchemaSave = m_nObjectSchema;
  m_nObjectSchema = nSchema;
  ++m_nDepth;
  try {
    CheckMapCount();
    pOb->Serialize(*this);
  } catch (...) {
    --m_nDepth;
    m_loadArray[nIndex].pObject = nullptr;
    delete pOb;
    throw;
  }
  --m_nDepth;
  m_nObjectSchema = nSchemaSave;
  return pOb;
}

CArchive& operator<<(CArchive& ar, const CObject* pOb) {
  ar.WriteObject(pOb);
  return ar;
}

CArchive& operator>>(CArchive& ar, CObject*& pOb) {
  pOb = ar.ReadObject(nullptr);
  return ar;
}

CArchive& operator>>(CArchive& ar, const CObject*& pOb) {
  pOb = ar.ReadObject(nullptr);
  return ar;
}

CArchive& operator<<(CArchive& ar, const CString& string) {
  DWORD nLen = (DWORD)string.GetLength();
  if (nLen < 255) {
    ar << (BYTE)nLen;
  } else if (nLen < 0xFFFE) {
    ar << (BYTE)0xFF << (WORD)nLen;
  } else {
    ar << (BYTE)0xFF << (WORD)0xFFFF << nLen;
  }
  ar.Write((LPCTSTR)string, nLen);
  return ar;
}

CArchive& operator>>(CArchive& ar, CString& string) {
  DWORD nLen;
  BYTE bLen;
  ar >> bLen;
  if (bLen < 0xFF) {
    nLen = bLen;
  } else {
    WORD wLen;
    ar >> wLen;
    if (wLen == 0xFFFE)
      AfxThrowArchiveException(CArchiveException::generic, ar.m_strFileName);
    if (wLen < 0xFFFF)
      nLen = wLen;
    else
      ar >> nLen;
  }
  string.Empty();
  // Grow as the chars arrive, so a damaged length cannot ask for gigabytes up front.
  const DWORD kStep = 65536;
  for (DWORD nDone = 0; nDone < nLen;) {
    DWORD n = nLen - nDone < kStep ? nLen - nDone : kStep;
    char* p = string.GetBufferSetLength((int)(nDone + n));
    if (ar.Read(p + nDone, n) != n)
      AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    nDone += n;
  }
  return ar;
}

CArchive& operator<<(CArchive& ar, SIZE size) {
  return ar << size.cx << size.cy;
}

CArchive& operator<<(CArchive& ar, POINT point) {
  return ar << point.x << point.y;
}

CArchive& operator<<(CArchive& ar, const RECT& rect) {
  return ar << rect.left << rect.top << rect.right << rect.bottom;
}

CArchive& operator>>(CArchive& ar, SIZE& size) {
  return ar >> size.cx >> size.cy;
}

CArchive& operator>>(CArchive& ar, POINT& point) {
  return ar >> point.x >> point.y;
}

CArchive& operator>>(CArchive& ar, RECT& rect) {
  return ar >> rect.left >> rect.top >> rect.right >> rect.bottom;
}
