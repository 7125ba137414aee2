// @ts-check
// The battle view: the board scaled to the window, the status line, and the player's input. The pointer shows
// where the ball would rest and a click drops it; on touch a tap shows the spot and a second tap on the same lane
// drops; the desktop's keys work too (Left and Right move the marker, Space or Down drops, H asks for a hint,
// Enter or Escape leaves the match). Where a ball would rest comes from the seat (its landing spots): the page
// applies no rule, it only shows them and sends the lane.

import { BOARD_HEIGHT, BOARD_WIDTH, laneAtX, laneOf, paintBoard } from './board_painter.js';
import { playTone } from './sound.js';
import { text } from './texts.js';

/** @typedef {import('./store.js').SeatStore} SeatStore */
/** @typedef {import('./socket.js').SeatSocket} SeatSocket */
/** @typedef {import('./types.js').CellPos} CellPos */

const AID_KEY = 'pyrandel.colourAid';
const SOUND_KEY = 'pyrandel.sound';
// Clicks on the board's top edge, as the desktop's above its row 11, do not count.
const CLICK_TOP = 16;

/**
 * @param {string} id
 * @returns {HTMLElement}
 */
function element(id) {
  return /** @type {HTMLElement} */ (document.getElementById(id));
}

export class BattleView {
  /**
   * @param {SeatStore} store
   * @param {SeatSocket} socket
   */
  constructor(store, socket) {
    this.store = store;
    this.socket = socket;
    this.section = element('battle');
    this.canvas = /** @type {HTMLCanvasElement} */ (element('board'));
    this.statusLine = element('battle-status');
    this.description = element('board-description');
    this.sound = /** @type {HTMLInputElement} */ (element('sound'));
    this.aid = /** @type {HTMLInputElement} */ (element('colour-aid'));
    /** @type {CellPos | null} the marker as the page shows it */
    this.marker = null;
    /** @type {number | null} the lane a first tap chose */
    this.tapped = null;
    this.wasOpen = false;
    this.aid.checked = localStorage.getItem(AID_KEY) === '1';
    this.sound.checked = localStorage.getItem(SOUND_KEY) === '1';
    this.aid.addEventListener('change', () => {
      localStorage.setItem(AID_KEY, this.aid.checked ? '1' : '0');
      this.paint();
    });
    this.sound.addEventListener('change', () => localStorage.setItem(SOUND_KEY, this.sound.checked ? '1' : '0'));
    element('end-match').addEventListener('click', () => this.socket.send({ type: 'close' }));
    this.canvas.addEventListener('pointermove', (event) => {
      if (event.pointerType !== 'touch') {
        this.point(laneAtX(this.boardPoint(event)[0]));
      }
    });
    this.canvas.addEventListener('pointerup', (event) => this.pointerUp(event));
    this.canvas.addEventListener('keydown', (event) => this.key(event));
    this.canvas.addEventListener('contextmenu', (event) => {
      // The desktop's right button opens its settings; here they stand beside the board.
      event.preventDefault();
      this.sound.focus();
    });
    new ResizeObserver(() => this.resize()).observe(this.section);
    store.listen((event) => this.update(event));
  }

  /**
   * @param {PointerEvent} event
   * @returns {[number, number]}
   */
  boardPoint(event) {
    const box = this.canvas.getBoundingClientRect();
    return [((event.clientX - box.left) * BOARD_WIDTH) / box.width, ((event.clientY - box.top) * BOARD_HEIGHT) / box.height];
  }

  resize() {
    const width = this.canvas.clientWidth;
    if (width === 0) {
      return;
    }
    const ratio = window.devicePixelRatio || 1;
    this.canvas.width = Math.round(width * ratio);
    this.canvas.height = Math.round(((width * BOARD_HEIGHT) / BOARD_WIDTH) * ratio);
    this.paint();
  }

  /** @param {number | null} lane */
  spotOf(lane) {
    const board = this.store.state.board;
    return lane === null || !board.may_place ? null : board.lanes[lane];
  }

  /**
   * The pointer (or a first tap, or a key) over `lane`: on the player's turn the marker follows where the lane
   * has a spot; otherwise a marker already shown stays.
   * @param {number | null} lane
   */
  point(lane) {
    const spot = this.spotOf(lane);
    if (spot && (!this.marker || this.marker[0] !== spot[0] || this.marker[1] !== spot[1])) {
      this.marker = spot;
      this.paint();
      this.describe();
    }
  }

  /** @param {number | null} lane */
  drop(lane) {
    // A lane without a spot drops where the marker is, as the desktop's click off the lanes does.
    const target = lane !== null && this.spotOf(lane) ? lane : this.marker ? laneOf(this.marker) : lane;
    if (target !== null) {
      this.socket.send({ type: 'drop', lane: target });
    }
    this.tapped = null;
  }

  /** @param {PointerEvent} event */
  pointerUp(event) {
    const [x, y] = this.boardPoint(event);
    if (y <= CLICK_TOP || event.button !== 0) {
      return;
    }
    const lane = laneAtX(x);
    if (event.pointerType === 'touch') {
      if (lane !== null && lane === this.tapped) {
        this.drop(lane);
      } else {
        this.tapped = lane;
        this.point(lane);
      }
      return;
    }
    this.drop(lane);
  }

  /** @param {KeyboardEvent} event */
  key(event) {
    switch (event.key) {
      case 'ArrowLeft':
        this.step(-1);
        break;
      case 'ArrowRight':
        this.step(1);
        break;
      case ' ':
      case 'ArrowDown':
        this.drop(this.marker ? laneOf(this.marker) : null);
        break;
      case 'h':
      case 'H':
        this.socket.send({ type: 'hint' });
        break;
      case 'Enter':
      case 'Escape':
        this.socket.send({ type: 'close' });
        break;
      default:
        return;
    }
    event.preventDefault();
  }

  /**
   * The marker moves to the nearest lane in `direction` that has a spot.
   * @param {number} direction
   */
  step(direction) {
    const lanes = this.store.state.board.lanes;
    let lane = this.marker ? laneOf(this.marker) : direction > 0 ? -1 : 32;
    for (lane += direction; lane >= 0 && lane < 32; lane += direction) {
      if (lanes[lane]) {
        this.point(lane);
        return;
      }
    }
  }

  /** @param {import('./types.js').PageEvent} event */
  update(event) {
    const state = this.store.state;
    switch (event.type) {
      case 'marker':
        this.marker = state.marker;
        break;
      case 'snapshot':
        this.marker = state.marker;
        break;
      case 'turn':
        if (!state.board.may_place) {
          this.marker = null;
          this.tapped = null;
        }
        break;
      case 'cells':
        if (this.marker && state.board.cells[this.marker[1] * 16 + this.marker[0]] >= 0) {
          this.marker = null;
        }
        break;
      case 'announce':
        if (event.what && this.sound.checked) {
          playTone(event.what);
        }
        break;
      default:
        break;
    }
    this.render();
  }

  render() {
    const state = this.store.state;
    const open = state.battle.open && this.store.seated;
    this.section.hidden = !open;
    if (open && !this.wasOpen) {
      this.resize();
      this.canvas.focus();
    }
    this.wasOpen = open;
    this.statusLine.textContent = state.status;
    const caption = open ? text('CAPTION_BATTLE') : text('CAPTION_LOBBY');
    const moment = state.announced === 'your_turn' ? text('STATUS_YOUR_TURN') : state.announced === 'you_win' ? text('STATUS_YOU_WIN') : '';
    document.title = moment ? caption + text('TITLE_SEPARATOR') + moment : caption;
    this.canvas.dataset.cells = state.board.cells.map((value) => (value < 0 ? '.' : String(value))).join('');
    this.canvas.dataset.mayPlace = String(state.board.may_place);
    this.paint();
    this.describe();
  }

  paint() {
    if (!this.section.hidden && this.canvas.width > 0) {
      paintBoard(this.canvas, this.store.state.board, this.marker, this.aid.checked);
    }
  }

  // What a screen reader says of the board, as the desktop's: the state, the own colour, the marker's lane.
  describe() {
    const state = this.store.state;
    const end = text('ACCESS_SENTENCE_END');
    const colours = ['COLOUR_BLUE', 'COLOUR_RED', 'COLOUR_YELLOW', 'COLOUR_GREEN'];
    let description = state.status + end + text('ACCESS_OWN_COLOUR') + text(colours[state.battle.colour] ?? '') + end;
    description += this.marker ? text('ACCESS_MARKER_LANE') + String(laneOf(this.marker) + 1) : text('ACCESS_NO_MARKER');
    this.description.textContent = description;
    this.canvas.dataset.marker = this.marker ? String(laneOf(this.marker)) : '';
  }
}
