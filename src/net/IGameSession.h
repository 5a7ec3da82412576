#pragma once
#include <cstdint>

#include "framework/CriticalSection.h"
#include "net/Packet.h"
#include "net/ServerInfo.h"
#include "net/messages/VXChannelRooms.h"

// Completion of an asynchronous request: callback(user data, reply packet).
using SessionReplyCallback = int (*)(void* user_data, Packet* reply);

class IGameSession;

// Who a session reports to (the game logic): connects, closes and every packet that is
// not the awaited reply of a request.
//
// Threads: OnSessionConnect is called by the connecting thread with no session lock
// held. OnSessionClose is called under the closing session's receive lock, on whatever
// thread closes it, so it must not take the dispatch lock. ProcessPacket (and a
// SendAsync callback) runs inside a pump, under the session's receive lock; a thread
// that pumps while it waits for a reply (SendAndWait) holds the owner's dispatch lock
// around each pump, so the owner sees its packets only under that lock. The lock order
// is therefore always: dispatch lock, then a session's receive lock, then its send lock.
class ISessionOwner {
 public:
  virtual ~ISessionOwner() = default;
  virtual void OnSessionConnect(IGameSession* session) = 0;
  virtual void OnSessionClose(IGameSession* session) = 0;
  virtual int ProcessPacket(Packet* packet) = 0;
  // The lock a waiting thread holds around each pump; null for none.
  virtual CriticalSection* DispatchLock() { return nullptr; }
};

// What the game logic needs of a connection to one of its servers. The real
// implementation is the socket-backed game session; tests use fakes.
class IGameSession {
 public:
  virtual ~IGameSession() = default;

  virtual int SessionIndex() const = 0;
  virtual bool IsConnected() const = 0;
  virtual bool IsLoggedIn() const = 0;
  virtual void SetLoggedIn(bool v) = 0;
  virtual bool HelloOk() const = 0;
  virtual void SetHelloOk(bool v) = 0;
  virtual bool IsBusy() const = 0;
  virtual void SetBusy(bool v) = 0;
  virtual ServerInfo& Info() = 0;
  virtual uint32_t EnterTime() const = 0;
  virtual void SetEnterTime(uint32_t t) = 0;

  // Reads the stream and dispatches at most a few packets; sends heartbeats.
  virtual int ProcessEvent(uint32_t heartbeat_ms) = 0;
  virtual int Connect(const char* host, int port, bool show_indicator) = 0;
  // The session's close operation (the connection is dropped and the state reset).
  virtual void Close() = 0;
  // The waits below (and Connect's) end early on a worker whose owner asked it to stop
  // (ZBThread::StopRequested), which counts as a failure.
  virtual int CloseAndWait() = 0;
  virtual int SendAndWait(Packet& packet, uint32_t timeout_ms, bool show_indicator) = 0;
  virtual Packet& ReplyBuffer() = 0;
  virtual int SendAsync(Packet& packet, void* user_data, SessionReplyCallback callback) = 0;
  virtual int SendNoWait(Packet& packet) = 0;

  // The rooms of the game channel this session logged in to (kind-1 servers; empty
  // elsewhere). Written and read on the thread that dispatches the session's packets.
  VXType_channel_rooms& Rooms() { return m_rooms; }
  const VXType_channel_rooms& Rooms() const { return m_rooms; }

 private:
  VXType_channel_rooms m_rooms;
};
