#pragma once
#include <initializer_list>
#include <vector>

#include "net/messages/GameVXCardDeck.h"

// Adds one new card record per code to `deck` (the deck owns them).
inline void FillDeck(GameVXCardDeck& deck, std::initializer_list<int> codes) {
  for (int code : codes) {
    auto* c = new VXType_card;
    c->code = code;
    if (!deck.Add_Card(c)) delete c;
  }
}

inline std::vector<int> CodesOf(const GameVXCardDeck& deck) {
  std::vector<int> out;
  for (int i = 0; i < deck.count; ++i) out.push_back(deck.cards[i] ? deck.cards[i]->code : -99);
  return out;
}

// Card code from suit and rank.
constexpr int C(int suit, int rank) { return suit * 13 + rank; }
