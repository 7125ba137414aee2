// @ts-check
// The page's entry: one store, one socket to the seat, and the two views drawn from the store.

import { BattleView } from './battle.js';
import { LobbyView } from './lobby.js';
import { SeatSocket } from './socket.js';
import { SeatStore } from './store.js';
import { setTexts } from './texts.js';

const store = new SeatStore();
// The texts first, so every view labels itself from them on the welcome.
store.listen((event) => {
  if (event.type === 'welcome') {
    setTexts(event.texts);
  }
});
const socket = new SeatSocket(store);
new LobbyView(store, socket);
new BattleView(store, socket);
socket.open();
