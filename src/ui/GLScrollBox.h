#pragma once
#include "framework/ZBObject.h"
#include "ui/GLScrollBoxItem.h"
#include "ui/ZBEntity.h"
#include "ui/ZBEventCtrl.h"
#include "ui/ZBScrollMoving.h"

// A clipped, scrollable column (or, with SetVertical(0), row) of items of varying
// extent that the user drags and flings. The box owns its items (at most 512: adding
// more pushes out the oldest), lays them out along its axis from the scroll offset,
// draws the ones that meet the visible area and a scroll bar while it is touched or
// gliding, and forwards touches to them. A tap on an item is reported to the box's
// own receiver as OnEvent(box) with `m_selected` set, once the release has been
// offered to every item; the receiver may then change or clear the box.
//
// Taps are dropped while a glide runs and when the pointer travelled more than 50
// units along the axis between down and up. Main thread only; the glide advances
// only when the box is drawn.
class GLScrollBox : public ZBObject, public ZBEventCtrl, public ZBEventReceiver {
 public:
  static constexpr int kMaxItems = 512;
  static constexpr int kTapSlop = 50;
  static constexpr int kHoverSlop = 10;

  GLScrollBox();
  ~GLScrollBox() override;

  // Places the box, resets the scroll state and the bar colours.
  virtual void Setup(int l, int t, int r, int b);
  // Deletes every item and stops any glide.
  virtual void Clear();
  virtual void Resize(int l, int t, int r, int b);
  // Appends an item the box then owns; 0 for a null item.
  virtual int AddItem(GLScrollBoxItem* item);
  // Recomputes the content extent from the visible items (they may have changed).
  virtual void Relayout();

  int Draw() override;
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
  int OnWheel(int delta, int x, int y) override;
  void SetRect(int l, int t, int r, int b) override;
  // Called by the items on a tap.
  void OnEvent(ZBEventCtrl* sender) override;

  // 1: items stack along y (the default); 0: along x. Call before adding items.
  void SetVertical(int vertical);
  int IsVertical() const { return m_scroller.m_vertical; }
  int GetCount() { return m_items.GetCount(); }
  GLScrollBoxItem* GetItem(int index) { return static_cast<GLScrollBoxItem*>(m_items.GetAt(index)); }
  int Range() const { return m_scroller.ActiveRange(); }
  int Offset() const { return m_scroller.m_offset; }
  // Scroll bar rectangle of the last Draw (all 0 when none was drawn).
  struct Rect {
    int left, top, right, bottom;
  };
  Rect LastBar() const { return m_last_bar; }

  ZBScrollMoving m_scroller;
  Rect m_box = {};
  ZBEntity m_items;
  int m_margin = 0;
  int m_content = 0;
  int m_max_items = kMaxItems;
  int m_keep_at_end = 0;
  int m_centre_when_short = 0;
  int m_draw_offset = 0;
  int m_down_x = 0, m_down_y = 0;
  int m_last_x = 0, m_last_y = 0;
  int m_up_x = 0, m_up_y = 0;
  int m_touch_active = 0;
  float m_bar_colour[4] = {};
  float m_bar_colour2[4] = {};
  GLScrollBoxItem* m_selected = nullptr;

 protected:
  // Extent of the box along its axis.
  int BoxExtent() const;
  // Maximum scroll distance for the current content (never negative).
  int ComputeRange() const;
  void ApplyRange();
  void JumpToEnd();
  // The inner area and where the first item starts along the axis.
  Rect Area() const;
  int FirstItemStart(const Rect& area) const;
  // The scroll offset as items are laid out: within -range..0.
  int CurrentDrawOffset() const;
  // Sets the rectangle of `item` starting at `pos` along the axis; returns the end.
  int LayOut(GLScrollBoxItem* item, const Rect& area, int pos) const;
  void DrawBar(const Rect& area);
  void DeleteItem(GLScrollBoxItem* item);

  // Calls fn(item) for every visible item, laid out as it is drawn. The walk follows
  // the nodes, so it does not disturb the list's cursor.
  template <class Fn>
  void ForEachLaidOut(Fn fn) {
    const Rect area = Area();
    int pos = FirstItemStart(area);
    for (ZBENTITYOBJECT* n = m_items.HeadNode(); n;) {
      ZBENTITYOBJECT* next = n->m_next;
      auto* item = static_cast<GLScrollBoxItem*>(n->m_value);
      if (!item->m_hidden) {
        pos = LayOut(item, area, pos);
        fn(item, area);
      }
      n = next;
    }
  }

  Rect m_last_bar = {};
  // A release is being offered to the items: taps are held until it ends.
  int m_releasing = 0;
  GLScrollBoxItem* m_pending_tap = nullptr;
};
