// @ts-check
// How many bytes a text takes in code page 932, the wire's encoding, so the inputs can hold the desktop's limit.
// Counting only: the seat does the conversion, and refuses what code page 932 lacks.

/**
 * ASCII and half-width katakana are one byte; every other character two.
 * @param {string} text
 * @returns {number}
 */
export function cp932Bytes(text) {
  let bytes = 0;
  for (const character of text) {
    const code = /** @type {number} */ (character.codePointAt(0));
    bytes += code < 0x80 || (code >= 0xff61 && code <= 0xff9f) ? 1 : 2;
  }
  return bytes;
}

/**
 * The longest start of `text` that fits `limit` bytes, never cutting a character.
 * @param {string} text
 * @param {number} limit
 * @returns {string}
 */
export function cutToBytes(text, limit) {
  let bytes = 0;
  let end = 0;
  for (const character of text) {
    const width = cp932Bytes(character);
    if (bytes + width > limit) {
      break;
    }
    bytes += width;
    end += character.length;
  }
  return text.slice(0, end);
}
