// Sort keys, the grid hint and the print device.
#include "GXPrintDevice.h"

#include "GXGridState.h"

#include <algorithm>
#include <cstring>
#include <memory>

IMPLEMENT_DYNAMIC(CGXSortInfoArray, CObject)

CGXSortInfoArray::~CGXSortInfoArray() {
  delete[] m_pData;
}

void CGXSortInfoArray::SetSize(int nNewSize, int nGrowBy) {
  if (nGrowBy != -1)
    m_nGrowBy = nGrowBy;
  if (nNewSize <= 0) {
    delete[] m_pData;
    m_pData = nullptr;
    m_nSize = m_nMaxSize = 0;
    return;
  }
  if (m_pData == nullptr) {
    m_pData = new GXSortInfo[nNewSize]();
    m_nSize = m_nMaxSize = nNewSize;
    return;
  }
  if (nNewSize <= m_nMaxSize) {
    if (nNewSize > m_nSize)
      std::memset(m_pData + m_nSize, 0, sizeof(GXSortInfo) * (size_t)(nNewSize - m_nSize));
    m_nSize = nNewSize;
    return;
  }
  int nStep = m_nGrowBy != 0 ? m_nGrowBy : std::min(1024, std::max(4, m_nSize / 8));
  int nNewMax = std::max(nNewSize, m_nMaxSize + nStep);
  GXSortInfo* pNew = new GXSortInfo[nNewMax]();
  std::memcpy(pNew, m_pData, sizeof(GXSortInfo) * (size_t)m_nSize);
  delete[] m_pData;
  m_pData = pNew;
  m_nSize = nNewSize;
  m_nMaxSize = nNewMax;
}

IMPLEMENT_DYNAMIC(CGXGridHint, CObject)

IMPLEMENT_SERIAL(CGXPrintDevice, CObject, 1)

namespace {

const WORD kPrintDeviceSchema = 1;
// The device blocks are small (a DEVNAMES and a DEVMODE with its driver data); a larger size read
// from an archive is taken for damage.
const DWORD kMaxDeviceBlock = 1 << 20;

}  // namespace

CGXPrintDevice::CGXPrintDevice() : m_pImp(GXGetAppState()->m_pPrintDeviceImp) {}

CGXPrintDevice::~CGXPrintDevice() {
  if (m_pImp != nullptr)
    m_pImp->ResetDevice(this);
}

CGXPrintDevice& CGXPrintDevice::operator=(const CGXPrintDevice& other) {
  if (&other != this)
    SetDevice(other.m_hDevNames, other.m_hDevMode);
  return *this;
}

void* CGXPrintDevice::GetPrinterDC() {
  return m_pImp != nullptr ? m_pImp->GetPrinterDC(this) : nullptr;
}

void CGXPrintDevice::ResetDevice() {
  if (m_pImp != nullptr)
    m_pImp->ReleasePrinterDC(this);
  m_nState = 0;
}

void CGXPrintDevice::SetDevice(void* hDevNames, void* hDevMode) {
  if (m_pImp != nullptr)
    m_pImp->SetDeviceHandles(this, hDevNames, hDevMode);
}

void CGXPrintDevice::SetDeviceData(const BYTE* pNames, DWORD nNames, const BYTE* pMode, DWORD nMode) {
  if (m_pImp != nullptr)
    m_pImp->SetDeviceBytes(this, pNames, nNames, pMode, nMode);
}

void CGXPrintDevice::FreeDevice() {
  if (m_pImp != nullptr)
    m_pImp->ResetDevice(this);
}

void CGXPrintDevice::GetDeviceData(BYTE** ppNames, DWORD* pnNames, BYTE** ppMode, DWORD* pnMode) {
  *ppNames = *ppMode = nullptr;
  *pnNames = *pnMode = 0;
  if (m_pImp != nullptr)
    m_pImp->GetDeviceBytes(this, m_hDevNames, m_hDevMode, ppNames, pnNames, ppMode, pnMode);
}

void CGXPrintDevice::CreateDefaultDevice() {
  if (m_pImp != nullptr)
    m_pImp->SetDefaultPrinter(this);
}

void CGXPrintDevice::EnsureDevice() {
  if (m_pImp != nullptr && m_hDevNames == nullptr)
    m_pImp->SetDefaultPrinter(this);
}

void CGXPrintDevice::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    BYTE* pNames;
    BYTE* pMode;
    DWORD nNames, nMode;
    GetDeviceData(&pNames, &nNames, &pMode, &nMode);
    std::unique_ptr<BYTE[]> names(pNames), mode(pMode);
    ar << kPrintDeviceSchema << nNames;
    if (nNames != 0)
      ar.Write(pNames, nNames);
    ar << nMode;
    if (nMode != 0)
      ar.Write(pMode, nMode);
    return;
  }
  WORD wSchema;
  ar >> wSchema;
  if (wSchema != kPrintDeviceSchema)
    AfxThrowArchiveException(CArchiveException::badSchema, ar.m_strFileName);
  auto readBlock = [&ar](DWORD& n) {
    ar >> n;
    if (n > kMaxDeviceBlock)
      AfxThrowArchiveException(CArchiveException::generic, ar.m_strFileName);
    std::unique_ptr<BYTE[]> block(n != 0 ? new BYTE[n] : nullptr);
    if (n != 0 && ar.Read(block.get(), n) != n)
      AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    return block;
  };
  DWORD nNames, nMode;
  std::unique_ptr<BYTE[]> names = readBlock(nNames);
  std::unique_ptr<BYTE[]> mode = readBlock(nMode);
  SetDeviceData(names.get(), nNames, mode.get(), nMode);
}
