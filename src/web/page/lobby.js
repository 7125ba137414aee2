// @ts-check
// The lobby: the name, the connect button, the participants, the chat log and its input, "対戦開始！" and
// "CPU参加" with the level list, as the desktop's lobby has them. Names and chat lines are only ever set as text.

import { cp932Bytes, cutToBytes } from './cp932_bytes.js';
import { label, text } from './texts.js';

/** @typedef {import('./store.js').SeatStore} SeatStore */
/** @typedef {import('./socket.js').SeatSocket} SeatSocket */

const NAME_KEY = 'pyrandel.name';

/**
 * @template {HTMLElement} T
 * @param {string} id
 * @returns {T}
 */
function element(id) {
  return /** @type {T} */ (document.getElementById(id));
}

export class LobbyView {
  /**
   * @param {SeatStore} store
   * @param {SeatSocket} socket
   */
  constructor(store, socket) {
    this.store = store;
    this.socket = socket;
    /** @type {HTMLInputElement} */
    this.name = element('name');
    /** @type {HTMLButtonElement} */
    this.connect = element('connect');
    /** @type {HTMLUListElement} */
    this.participants = element('participants');
    /** @type {HTMLTextAreaElement} */
    this.chatLog = element('chat-log');
    /** @type {HTMLInputElement} */
    this.chatInput = element('chat-input');
    /** @type {HTMLButtonElement} */
    this.start = element('start');
    /** @type {HTMLButtonElement} */
    this.addComputer = element('add-computer');
    /** @type {HTMLSelectElement} */
    this.level = element('level');
    /** @type {HTMLDialogElement} */
    this.box = element('box');
    this.limit = 78;
    this.name.value = localStorage.getItem(NAME_KEY) ?? '';
    this.connect.addEventListener('click', () => this.toggleConnection());
    this.start.addEventListener('click', () => this.socket.send({ type: 'start' }));
    this.addComputer.addEventListener('click', () => this.socket.send({ type: 'computer', level: Number(this.level.value) }));
    element('say').addEventListener('click', () => this.say());
    this.chatInput.addEventListener('keydown', (event) => {
      // Enter sends, as in the desktop's chat input; not while an input method is still composing.
      if (event.key === 'Enter' && !event.isComposing) {
        event.preventDefault();
        this.say();
      }
    });
    for (const input of [this.chatInput, this.name]) {
      input.addEventListener('input', () => this.holdLimit(input));
    }
    element('box-ok').addEventListener('click', () => this.socket.send({ type: 'dismiss' }));
    this.box.addEventListener('cancel', (event) => {
      event.preventDefault();
      this.socket.send({ type: 'dismiss' });
    });
    store.listen((event) => this.update(event));
  }

  // The welcome: the texts, the levels and the byte limit of a field.
  setUp() {
    const welcome = this.store.welcome;
    if (!welcome) {
      return;
    }
    this.limit = welcome.field_bytes;
    label('participants-label-1', 'LABEL_PARTICIPANTS_1');
    label('participants-label-2', 'LABEL_PARTICIPANTS_2');
    label('lobby-heading', 'LABEL_LOBBY');
    label('rules-1', 'LABEL_RULES_1');
    label('rules-2', 'LABEL_RULES_2');
    label('rules-3', 'LABEL_RULES_3');
    label('start', 'LABEL_START_MATCH');
    label('start-hint', 'LABEL_START_HINT');
    label('connect', 'LABEL_CONNECT');
    label('name-label', 'LABEL_YOUR_NAME');
    label('version-info', 'LABEL_VERSION_INFO');
    label('product', 'LABEL_PRODUCT');
    label('version', 'LABEL_VERSION');
    label('add-computer', 'LABEL_ADD_COMPUTER');
    label('say', 'LABEL_SAY');
    label('box-ok', 'LABEL_OK');
    label('end-match', 'LABEL_END_MATCH');
    label('sound-label', 'MENU_SOUND');
    label('colour-aid-label', 'MENU_COLOUR_AID');
    label('battle-rules', 'LABEL_BATTLE_RULES');
    label('battle-keys', 'BATTLE_KEYS');
    // The accessible names and descriptions are the desktop's.
    const names = /** @type {[string, string, string][]} */ ([
      ['participants', 'LABEL_PARTICIPANTS_1', 'DESCRIBE_PARTICIPANTS'],
      ['chat-log', 'ACCESS_CHAT_LOG', 'DESCRIBE_CHAT_LOG'],
      ['chat-input', 'ACCESS_CHAT_INPUT', 'DESCRIBE_CHAT_INPUT'],
      ['level', 'ACCESS_LEVEL', 'DESCRIBE_LEVEL'],
      ['board', 'ACCESS_BOARD', ''],
    ]);
    for (const [id, name, description] of names) {
      const target = element(id);
      target.setAttribute('aria-label', text(name));
      if (description) {
        target.title = text(description);
      }
    }
    element('board').setAttribute('aria-describedby', 'board-description');
    this.name.title = text('DESCRIBE_NAME');
    this.connect.title = text('DESCRIBE_CONNECT');
    this.start.title = text('DESCRIBE_START');
    this.addComputer.title = text('DESCRIBE_ADD_COMPUTER');
    element('say').title = text('DESCRIBE_SAY');
    this.level.replaceChildren(
      ...welcome.levels.map((level) => {
        const option = document.createElement('option');
        option.value = String(level);
        option.textContent = String(level);
        option.selected = level === welcome.level;
        return option;
      }),
    );
    element('lobby-status').textContent = text('STATUS_NOT_CONNECTED');
    this.showBytes();
  }

  toggleConnection() {
    if (this.store.seated) {
      this.socket.send({ type: 'leave' });
      return;
    }
    const name = cutToBytes(this.name.value.trim(), this.limit);
    localStorage.setItem(NAME_KEY, name);
    this.socket.send({ type: 'join', name });
  }

  say() {
    if (this.socket.send({ type: 'chat', text: this.chatInput.value })) {
      this.chatInput.value = '';
      this.showBytes();
    }
  }

  /** @param {HTMLInputElement} input */
  holdLimit(input) {
    if (cp932Bytes(input.value) > this.limit) {
      input.value = cutToBytes(input.value, this.limit);
    }
    this.showBytes();
  }

  showBytes() {
    element('chat-bytes').textContent = `${cp932Bytes(this.chatInput.value)}/${this.limit}`;
  }

  /** @param {import('./types.js').PageEvent} event */
  update(event) {
    const state = this.store.state;
    const seated = this.store.seated;
    if (event.type === 'welcome') {
      this.setUp();
    }
    if (event.type === 'snapshot' && state.name) {
      this.name.value = state.name;
    }
    this.connect.setAttribute('aria-pressed', String(seated));
    this.connect.classList.toggle('pressed', seated);
    this.name.disabled = seated;
    this.start.disabled = !state.connected;
    this.addComputer.disabled = !state.may_add_computer;
    if (event.type === 'snapshot' || event.type === 'participants' || event.type === 'ended') {
      this.participants.replaceChildren(
        ...state.participants.map((participant) => {
          const item = document.createElement('li');
          item.textContent = participant.name;
          return item;
        }),
      );
    }
    if (event.type === 'snapshot' || event.type === 'chat') {
      this.chatLog.value = state.chat.join('\n');
      this.chatLog.scrollTop = this.chatLog.scrollHeight;
    }
    if (event.type === 'status' || event.type === 'snapshot') {
      element('lobby-status').textContent = state.status;
    }
    if (event.type === 'notice' || event.type === 'socket') {
      element('notice').textContent = this.store.notice;
    }
    element('box-text').textContent = state.box ?? '';
    if (state.box && !this.box.open) {
      this.box.showModal();
    } else if (!state.box && this.box.open) {
      this.box.close();
    }
  }
}
