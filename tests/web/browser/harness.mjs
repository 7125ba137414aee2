// What the browser tests share: the dedicated host with its page, Debian's chromium driven by Playwright (never a
// browser of Playwright's own), a raw TCP player speaking the wire format, and the board as each of them holds it.
// Everything runs on loopback, on ports the system hands out.

import { spawn } from 'node:child_process';
import { mkdirSync } from 'node:fs';
import net from 'node:net';
import path from 'node:path';
import { chromium } from 'playwright-core';

export const HOST_PROGRAM = process.env.PYRANDEL_HOST_PROGRAM ?? 'build/pyrandel-host';
export const ARTIFACTS = process.env.PYRANDEL_ARTIFACTS ?? 'build/tests/web-artifacts';
const WAIT = 20_000;

// As root, chromium needs --no-sandbox; the rest keep it off the network it would otherwise try to reach.
export async function launchBrowser() {
  return chromium.launch({
    executablePath: process.env.PYRANDEL_CHROMIUM ?? '/usr/bin/chromium',
    args: ['--no-sandbox', '--headless', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run', '--disable-quic'],
  });
}

// A port that was free a moment ago (bound with port 0, then closed), for the host's --port.
export function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = /** @type {net.AddressInfo} */ (server.address());
      server.close(() => resolve(port));
    });
  });
}

// pyrandel-host --web on loopback; resolves once its log names the page's link.
export async function startHost(seed = 42) {
  const port = await freePort();
  const child = spawn(HOST_PROGRAM, ['--port', String(port), '--seed', String(seed), '--web', '127.0.0.1:0'], {
    stdio: ['ignore', 'pipe', 'inherit'],
  });
  let log = '';
  const url = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`no page link in the host's log:\n${log}`)), WAIT);
    child.stdout.on('data', (chunk) => {
      log += chunk.toString();
      const found = log.match(/page for browsers at (http:\/\/127\.0\.0\.1:\d+\/)/);
      if (found) {
        clearTimeout(timer);
        resolve(found[1]);
      }
    });
    child.once('exit', (code) => reject(new Error(`the host ended (${code}):\n${log}`)));
  });
  return {
    port,
    url,
    stop: () => new Promise((resolve) => {
      if (child.exitCode !== null) {
        resolve(child.exitCode);
        return;
      }
      child.once('exit', (code) => resolve(code));
      child.kill('SIGTERM');
    }),
  };
}

// A player's program reduced to the wire: lines of TAB-separated fields, CR LF, bytes kept as they are.
export class TcpPlayer {
  /** @param {number} port @param {string} name */
  constructor(port, name) {
    this.socket = net.connect(port, '127.0.0.1');
    this.socket.setEncoding('latin1');
    this.name = name;
    this.pending = '';
    /** @type {string[][]} */
    this.lines = [];
    /** @type {(() => void)[]} */
    this.waiters = [];
    this.cells = new Array(192).fill(-1);
    this.colour = -1;
    this.socket.on('connect', () => this.send(`NEW_C\t${name}`));
    this.socket.on('data', (chunk) => {
      this.pending += chunk;
      let end;
      while ((end = this.pending.indexOf('\r\n')) >= 0) {
        const fields = this.pending.slice(0, end).split('\t');
        this.pending = this.pending.slice(end + 2);
        if (fields[0] === 'PLOT') {
          this.cells[Number(fields[3]) * 16 + Number(fields[2])] = Number(fields[1]);
        } else if (fields[0] === 'STARTVS') {
          this.colour = Number(fields[1]);
          this.cells.fill(-1);
        }
        this.lines.push(fields);
      }
      for (const wake of this.waiters.splice(0)) {
        wake();
      }
    });
  }

  /** @param {string} line */
  send(line) {
    this.socket.write(line + '\r\n', 'latin1');
  }

  /** A line whose first field is `command`, taken from what has come (or comes within the wait). */
  async take(command, wait = WAIT) {
    const deadline = Date.now() + wait;
    for (;;) {
      const index = this.lines.findIndex((fields) => fields[0] === command);
      if (index >= 0) {
        return this.lines.splice(0, index + 1)[index];
      }
      if (Date.now() > deadline) {
        throw new Error(`${this.name}: no ${command} came`);
      }
      await new Promise((resolve) => {
        this.waiters.push(() => resolve(undefined));
        setTimeout(resolve, 200);
      });
    }
  }

  /** The own ball on the floor of column `col` (the floor needs no support: its spot is row 0). */
  dropOnFloor(col) {
    this.cells[col] = this.colour;
    this.send(`PLOT\t${this.colour}\t${col}\t0\t0\t-1`);
  }

  board() {
    return this.cells.map((value) => (value < 0 ? '.' : String(value))).join('');
  }

  close() {
    this.socket.destroy();
  }
}

/** The board as a page shows it: the canvas carries the seat's cells for tests. */
export async function pageBoard(page) {
  return page.locator('#board').getAttribute('data-cells');
}

export async function mayPlace(page) {
  return (await page.locator('#board').getAttribute('data-may-place')) === 'true';
}

/** Where a click over `lane` lands on the floor row, in the canvas's own pixels. */
export async function lanePoint(page, lane, row = 0) {
  const box = await page.locator('#board').boundingBox();
  const scale = box.width / 560;
  const cellX = ((row & 1) + 2 * Math.floor(lane / 2) + 1) * 16;
  return { x: (cellX + 16) * scale, y: (301 - 23 * row - 32 + 16) * scale };
}

/** Joins the room from the page's own lobby, as a person would. */
export async function joinFromLobby(page, url, name) {
  await page.goto(url);
  await page.getByLabel('お名前').fill(name);
  await page.getByRole('button', { name: 'サーバーへ接続' }).click();
  await page.getByRole('list', { name: '現在の参加者' }).getByText(name, { exact: true }).waitFor();
}

export async function screenshot(page, name) {
  mkdirSync(ARTIFACTS, { recursive: true });
  await page.screenshot({ path: path.join(ARTIFACTS, `${name}.png`) });
}
