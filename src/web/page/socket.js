// @ts-check
// The page's one WebSocket to its seat: /ws on the page's own origin, subprotocol pyrandel.v1, JSON text
// messages. It comes back by itself after a lost connection (a reload does the same through the token that
// sessionStorage keeps), and resumes the seat, which sends the whole snapshot again.

/** @typedef {import('./store.js').SeatStore} SeatStore */

const TOKEN_KEY = 'pyrandel.seat';
const SUBPROTOCOL = 'pyrandel.v1';
// WebSocket close codes of the seat's own (page_link.h).
const TAKEN_OVER = 4001;

export class SeatSocket {
  /** @param {SeatStore} store */
  constructor(store) {
    this.store = store;
    /** @type {WebSocket | null} */
    this.socket = null;
    this.retry = 0;
    /** @type {ReturnType<typeof setTimeout> | null} */
    this.timer = null;
    this.stopped = false;
    /** Why the socket last closed, for the page to show. */
    this.closeReason = '';
    store.listen((event) => {
      if (event.type === 'snapshot') {
        sessionStorage.setItem(TOKEN_KEY, event.token);
      } else if (event.type === 'ended') {
        sessionStorage.removeItem(TOKEN_KEY);
      }
    });
    // A phone that comes back to the page reconnects at once rather than at the next retry.
    document.addEventListener('visibilitychange', () => {
      if (document.visibilityState === 'visible' && !this.socket && !this.stopped) {
        this.open();
      }
    });
  }

  open() {
    if (this.timer) {
      clearTimeout(this.timer);
      this.timer = null;
    }
    const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
    const socket = new WebSocket(`${scheme}//${location.host}/ws`, SUBPROTOCOL);
    this.socket = socket;
    socket.addEventListener('open', () => {
      this.retry = 0;
      const token = sessionStorage.getItem(TOKEN_KEY);
      if (token) {
        this.send({ type: 'resume', token });
      }
    });
    socket.addEventListener('message', (message) => {
      if (typeof message.data !== 'string') {
        return;
      }
      try {
        this.store.apply(JSON.parse(message.data));
      } catch {
        // A message the page cannot read changes nothing.
      }
    });
    socket.addEventListener('close', (event) => {
      if (this.socket !== socket) {
        return;
      }
      this.socket = null;
      this.closeReason = event.reason;
      this.store.apply({ type: 'socket', open: false, reason: event.reason, code: event.code });
      if (event.code === TAKEN_OVER) {
        // Another tab has the seat now; this one stays as it is.
        this.stopped = true;
        return;
      }
      this.retry = Math.min(this.retry + 1, 5);
      this.timer = setTimeout(() => this.open(), 500 * 2 ** (this.retry - 1));
    });
  }

  /** @param {{type: string, [key: string]: any}} intent */
  send(intent) {
    if (this.socket && this.socket.readyState === WebSocket.OPEN) {
      this.socket.send(JSON.stringify(intent));
      return true;
    }
    return false;
  }
}
