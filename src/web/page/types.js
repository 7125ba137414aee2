// @ts-check
// The shapes of the messages between the page and its seat (docs/WEB.md has the table). Types only.

/** @typedef {[number, number]} CellPos  [col, row]: col 0..15 from the left, row 0..11 from the floor */

/** @typedef {{last: (CellPos | null)[], line: CellPos[]}} Marks  each colour's latest ball, the winning line */

/** @typedef {{id: number, name: string}} Participant */

/**
 * @typedef {Object} Board
 * @property {number[]} cells      192 values, row by row from row 0: a colour 0..3 or -1 for a hole
 * @property {(CellPos | null)[]} lanes  where a ball dropped into each of the 32 lanes would rest
 * @property {Marks} marks
 * @property {boolean} may_place
 */

/**
 * @typedef {Object} SeatState
 * @property {string} token
 * @property {string} name
 * @property {boolean} connected
 * @property {Participant[]} participants
 * @property {string[]} chat
 * @property {string} status
 * @property {{open: boolean, colour: number}} battle
 * @property {Board} board
 * @property {CellPos | null} marker
 * @property {string | null} announced
 * @property {string | null} box
 * @property {boolean} may_add_computer
 */

/**
 * @typedef {Object} Welcome
 * @property {Record<string, string>} texts  the desktop program's texts by their names
 * @property {number[]} levels
 * @property {number} level
 * @property {number} field_bytes
 * @property {number} grace_seconds
 */

/** @typedef {{type: string, [key: string]: any}} PageEvent */

export {};
