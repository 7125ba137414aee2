// @ts-check
// The board in the desktop program's look, drawn on a canvas in the desktop's own board pixels: hexagonal holes
// with a dark blue rim, shaded balls of the four colours, the white marker where the ball would rest, a ring
// on the other players' latest balls and a white outline around the winning line. Drawn here, from nothing.
//
// Geometry (as the desktop places its cells): cell (col, row) has its 32-pixel picture's top-left corner at
// x = ((row & 1) + 2 * col + 1) * 16, y = 301 - 23 * row. The pointer picks a lane by x alone.

/** @typedef {import('./types.js').Board} Board */
/** @typedef {import('./types.js').CellPos} CellPos */

export const BOARD_WIDTH = 560;
// The desktop's window keeps 48 pixels above row 11 for its status line; the page keeps a margin of 16.
const TOP = 32;
export const BOARD_HEIGHT = 349 - TOP;
const CELL = 32;

/** @type {[string, string, string][][]} light, body and shade by colour: plain, then with the colour-blind aid */
const BALL_COLOURS = [
  [['#c8dcff', '#1e50f0', '#000a6e'], ['#ffbebe', '#e11414', '#6e0000'], ['#ffffd2', '#fad700', '#8c6400'], ['#c8ffc8', '#14b428', '#00500a']],
  [['#c8e1ff', '#145aff', '#000a78'], ['#f09696', '#a0000a', '#460000'], ['#ffffd7', '#ffe11e', '#966e00'], ['#d7ffeb', '#46dc8c', '#006432']],
];
const RIM = '#000080';

/**
 * @param {number} col
 * @param {number} row
 * @returns {[number, number]}
 */
export function cellOrigin(col, row) {
  return [((row & 1) + 2 * col + 1) * 16, 301 - 23 * row - TOP];
}

/**
 * The lane under a pointer at board x, or null: (x - 24) / 16 from x = 24 on, none from lane 32 on.
 * @param {number} x
 * @returns {number | null}
 */
export function laneAtX(x) {
  if (x < 24) {
    return null;
  }
  const lane = Math.floor((x - 24) / 16);
  return lane < 32 ? lane : null;
}

/**
 * @param {CellPos} cell
 * @returns {number}
 */
export function laneOf(cell) {
  return cell[0] * 2 + (cell[1] & 1);
}

/**
 * @param {CanvasRenderingContext2D} g
 * @param {number} x
 * @param {number} y
 * @param {number} inset
 */
function hexPath(g, x, y, inset) {
  const s = CELL;
  g.beginPath();
  g.moveTo(x + s / 2, y + inset);
  g.lineTo(x + s - inset, y + s / 4 + inset / 2);
  g.lineTo(x + s - inset, y + (3 * s) / 4 - inset / 2);
  g.lineTo(x + s / 2, y + s - inset);
  g.lineTo(x + inset, y + (3 * s) / 4 - inset / 2);
  g.lineTo(x + inset, y + s / 4 + inset / 2);
  g.closePath();
}

/**
 * @param {CanvasRenderingContext2D} g
 * @param {number} x
 * @param {number} y
 * @param {string} inside
 */
function tile(g, x, y, inside) {
  hexPath(g, x, y, 0);
  g.fillStyle = RIM;
  g.fill();
  hexPath(g, x, y, 2);
  g.fillStyle = inside;
  g.fill();
}

/**
 * @param {CanvasRenderingContext2D} g
 * @param {number} x
 * @param {number} y
 * @param {number} colour
 * @param {boolean} aid
 */
function ball(g, x, y, colour, aid) {
  const [light, body, shade] = BALL_COLOURS[aid ? 1 : 0][colour];
  const cx = x + 16;
  const cy = y + 16;
  const r = 11;
  const gradient = g.createRadialGradient(cx - r * 0.35, cy - r * 0.4, 0, cx, cy, r);
  gradient.addColorStop(0, light);
  gradient.addColorStop(0.35, body);
  gradient.addColorStop(1, shade);
  g.beginPath();
  g.arc(cx, cy, r, 0, Math.PI * 2);
  g.fillStyle = gradient;
  g.fill();
  if (aid) {
    shape(g, x, y, colour);
  }
}

/**
 * The aid's shape: white with a dark edge, so it shows on every colour.
 * @param {CanvasRenderingContext2D} g
 * @param {number} x
 * @param {number} y
 * @param {number} colour
 */
function shape(g, x, y, colour) {
  g.save();
  g.translate(x, y);
  g.lineWidth = 1.2;
  g.strokeStyle = 'rgba(0, 0, 0, 0.8)';
  g.fillStyle = '#ffffff';
  g.beginPath();
  if (colour === 1) {
    g.moveTo(16, 10);
    g.lineTo(22, 20.5);
    g.lineTo(10, 20.5);
    g.closePath();
  } else if (colour === 2) {
    g.rect(11, 11, 10, 10);
  } else if (colour === 3) {
    const arms = [[14, 10], [18, 10], [18, 14], [22, 14], [22, 18], [18, 18], [18, 22], [14, 22], [14, 18], [10, 18], [10, 14], [14, 14]];
    g.moveTo(arms[0][0], arms[0][1]);
    for (const [ax, ay] of arms.slice(1)) {
      g.lineTo(ax, ay);
    }
    g.closePath();
  } else {
    g.arc(16, 16, 5.5, 0, Math.PI * 2);
    g.moveTo(19, 16);
    g.arc(16, 16, 3, 0, Math.PI * 2, true);
  }
  g.fill('evenodd');
  g.stroke();
  g.restore();
}

/**
 * @param {CanvasRenderingContext2D} g
 * @param {CellPos} cell
 * @param {string} colour
 * @param {number} width
 */
function ring(g, cell, colour, width) {
  const [x, y] = cellOrigin(cell[0], cell[1]);
  g.beginPath();
  g.arc(x + 16, y + 16, 12, 0, Math.PI * 2);
  g.strokeStyle = colour;
  g.lineWidth = width;
  g.stroke();
}

/**
 * Paints the whole board at the canvas's size.
 * @param {HTMLCanvasElement} canvas
 * @param {Board} board
 * @param {CellPos | null} marker
 * @param {boolean} aid
 */
export function paintBoard(canvas, board, marker, aid) {
  const g = /** @type {CanvasRenderingContext2D} */ (canvas.getContext('2d'));
  const scale = canvas.width / BOARD_WIDTH;
  g.setTransform(scale, 0, 0, scale, 0, 0);
  g.fillStyle = '#efefef';
  g.fillRect(0, 0, BOARD_WIDTH, BOARD_HEIGHT);
  // Row by row from the floor: each row's lower points lie under the row above, as the cells interlock.
  for (let row = 0; row < 12; row++) {
    for (let col = 0; col < 16; col++) {
      const [x, y] = cellOrigin(col, row);
      const isMarker = marker !== null && marker[0] === col && marker[1] === row;
      tile(g, x, y, isMarker ? '#ffffff' : '#000000');
      const value = board.cells[row * 16 + col];
      if (value >= 0 && value < 4) {
        ball(g, x, y, value, aid);
      }
    }
  }
  board.marks.last.forEach((cell, colour) => {
    if (cell) {
      ring(g, cell, BALL_COLOURS[aid ? 1 : 0][colour][1], 2);
    }
  });
  for (const cell of board.marks.line) {
    ring(g, cell, '#ffffff', 2.5);
  }
}
