// @ts-check
// The one store of the page: the seat's state as its snapshot and its events have told it. The page draws from
// this alone and changes it only through the socket, so a reload or a second tab never leaves two truths.

/** @typedef {import('./types.js').SeatState} SeatState */
/** @typedef {import('./types.js').PageEvent} PageEvent */
/** @typedef {import('./types.js').Welcome} Welcome */

const CELLS = 16 * 12;

/** @returns {SeatState} */
export function emptyState() {
  return {
    token: '',
    name: '',
    connected: false,
    participants: [],
    chat: [],
    status: '',
    battle: { open: false, colour: 0 },
    board: { cells: new Array(CELLS).fill(-1), lanes: new Array(32).fill(null), marks: { last: [null, null, null, null], line: [] }, may_place: false },
    marker: null,
    announced: null,
    box: null,
    may_add_computer: false,
  };
}

export class SeatStore {
  constructor() {
    /** @type {SeatState} */
    this.state = emptyState();
    /** @type {Welcome | null} */
    this.welcome = null;
    /** Whether the page holds a seat. */
    this.seated = false;
    /** @type {string} */
    this.notice = '';
    /** @type {Set<(event: PageEvent) => void>} */
    this.listeners = new Set();
  }

  /** @param {(event: PageEvent) => void} listener */
  listen(listener) {
    this.listeners.add(listener);
  }

  /** @param {PageEvent} event */
  apply(event) {
    const state = this.state;
    switch (event.type) {
      case 'welcome':
        this.welcome = /** @type {Welcome} */ (/** @type {unknown} */ (event));
        break;
      case 'snapshot':
        this.state = {
          token: event.token,
          name: event.name,
          connected: event.connected,
          participants: event.participants,
          chat: event.chat,
          status: event.status,
          battle: event.battle,
          board: { cells: event.cells, lanes: event.lanes, marks: event.marks, may_place: event.may_place },
          marker: event.marker,
          announced: event.announced,
          box: event.box,
          may_add_computer: event.may_add_computer,
        };
        this.seated = true;
        break;
      case 'ended':
        this.seated = false;
        state.connected = false;
        state.token = '';
        state.battle = { open: false, colour: state.battle.colour };
        state.box = null;
        state.announced = null;
        state.may_add_computer = false;
        break;
      case 'connected':
        state.connected = event.connected;
        break;
      case 'participants':
        state.participants = event.participants;
        break;
      case 'chat':
        if (event.replace) {
          state.chat = [];
        }
        state.chat.push(event.line);
        break;
      case 'status':
        state.status = event.text;
        break;
      case 'battle':
        state.battle = { open: event.open, colour: event.colour };
        break;
      case 'cells':
        for (const [col, row, value] of event.changes) {
          state.board.cells[row * 16 + col] = value;
        }
        break;
      case 'lanes':
        state.board.lanes = event.lanes;
        break;
      case 'marks':
        state.board.marks = event.marks;
        break;
      case 'turn':
        state.board.may_place = event.may_place;
        break;
      case 'marker':
        state.marker = event.marker;
        break;
      case 'announce':
        state.announced = event.what;
        break;
      case 'box':
        state.box = event.text;
        break;
      case 'computer':
        state.may_add_computer = event.may_add;
        break;
      case 'notice':
        this.notice = event.text;
        break;
      case 'socket':
        // The socket itself, not the seat: closed with a reason (the page shows it) or open again.
        this.notice = event.reason || this.notice;
        break;
      default:
        return;
    }
    for (const listener of this.listeners) {
      listener(event);
    }
  }
}
