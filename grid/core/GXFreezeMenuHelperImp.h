// The freeze menu: freezing the selected whole columns (rows) moves them to the left (top) edge and keeps
// them there while the rest scrolls; unfreezing moves them back. Each is one undo step. The engine
// reaches the feature through its pointer; null turns the menu commands off.
// Not for: the frozen counts themselves (the engine's).
#ifndef GRID_CORE_GXFREEZEMENUHELPERIMP_H
#define GRID_CORE_GXFREEZEMENUHELPERIMP_H

class CGXGridCore;

class CGXAbstractGridFreezeMenuHelperImp {
 public:
  virtual ~CGXAbstractGridFreezeMenuHelperImp() = default;
  virtual int CanFreezeCols(CGXGridCore* pGrid) = 0;
  virtual int CanUnfreezeCols(CGXGridCore* pGrid) = 0;
  virtual void FreezeCols(CGXGridCore* pGrid) = 0;
  virtual void UnfreezeCols(CGXGridCore* pGrid) = 0;
  virtual int CanFreezeRows(CGXGridCore* pGrid) = 0;
  virtual int CanUnfreezeRows(CGXGridCore* pGrid) = 0;
  virtual void FreezeRows(CGXGridCore* pGrid) = 0;
  virtual void UnfreezeRows(CGXGridCore* pGrid) = 0;
};

class CGXGridFreezeMenuHelperImp : public CGXAbstractGridFreezeMenuHelperImp {
 public:
  int CanFreezeCols(CGXGridCore* pGrid) override;
  int CanUnfreezeCols(CGXGridCore* pGrid) override;
  void FreezeCols(CGXGridCore* pGrid) override;
  void UnfreezeCols(CGXGridCore* pGrid) override;
  int CanFreezeRows(CGXGridCore* pGrid) override;
  int CanUnfreezeRows(CGXGridCore* pGrid) override;
  void FreezeRows(CGXGridCore* pGrid) override;
  void UnfreezeRows(CGXGridCore* pGrid) override;

 private:
  int CanFreeze(CGXGridCore* pGrid, bool bRows);
  void Freeze(CGXGridCore* pGrid, bool bRows);
  void Unfreeze(CGXGridCore* pGrid, bool bRows);
};

#endif  // GRID_CORE_GXFREEZEMENUHELPERIMP_H
