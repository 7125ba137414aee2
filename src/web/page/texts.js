// @ts-check
// The desktop program's texts, as the seat sends them in its welcome: the page has no text of its own, so every
// label reads character for character as the desktop's.

/** @type {Record<string, string>} */
let table = {};

/** @param {Record<string, string>} texts */
export function setTexts(texts) {
  table = texts;
}

/**
 * @param {string} name  a name of the catalogue (LABEL_CONNECT, STATUS_YOUR_TURN, ...)
 * @returns {string}
 */
export function text(name) {
  return table[name] ?? '';
}

/**
 * Sets an element's text by catalogue name; never as HTML.
 * @param {string} id
 * @param {string} name
 */
export function label(id, name) {
  const element = document.getElementById(id);
  if (element) {
    element.textContent = text(name);
  }
}
