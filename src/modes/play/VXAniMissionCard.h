#pragma once
#include "ui/GLAnimation.h"

class GameModePlay;

// The gold flash over a special card (or the mission card) that a seat used. It carries
// the acting seat and its event, a value for the final step and a second seat with its
// penalty event. The table already counts the event (the events change the model
// first); the end runs the final step: the mission value's badge for event 4, then the
// second seat's penalty animation. Seats are looked up by index when it ends. Main
// thread only.
class VXAniMissionCard : public GLAnimation {
 public:
  VXAniMissionCard(GameModePlay* mode, int seat, int event, int carried, int seat2, int event2)
      : m_mode(mode), m_seat(seat), m_event(event), m_carried(carried), m_seat2(seat2), m_event2(event2) {}
  void OnStop() override;

 private:
  GameModePlay* m_mode;
  int m_seat, m_event, m_carried, m_seat2, m_event2;
};
