// What a page may not do: send a character code page 932 lacks (refused with the notice, nothing sent), open the
// seat's socket from another origin, or send a megabyte.

import assert from 'node:assert/strict';
import http from 'node:http';
import { after, before, test } from 'node:test';

import { TcpPlayer, joinFromLobby, launchBrowser, startHost } from './harness.mjs';

/** @type {import('playwright-core').Browser} */
let browser;
/** @type {Awaited<ReturnType<typeof startHost>>} */
let host;
before(async () => {
  browser = await launchBrowser();
  host = await startHost();
});
after(async () => {
  await browser.close();
  await host.stop();
});

test('an emoji in chat is refused with a notice, and nothing is sent', async () => {
  const page = await browser.newPage();
  const tcp = new TcpPlayer(host.port, 'Tcp');
  try {
    await joinFromLobby(page, host.url, 'Aoi');
    const input = page.getByRole('textbox', { name: '発言の入力' });
    await input.fill('やあ😀');
    await input.press('Enter');
    await page.getByRole('status').getByText('シフトJISにない文字（絵文字など）は送れません').waitFor();
    await input.fill('やあ');
    await input.press('Enter');
    const chat = await tcp.take('CHAT');
    // The TCP player's next chat line is the second one: the first never left the seat.
    assert.equal(Buffer.from(chat[3], 'latin1').toString('hex'), '82e282a0');
    assert.ok(!(await page.getByRole('textbox', { name: 'チャットログ' }).inputValue()).includes('😀'));
  } finally {
    tcp.close();
    await page.close();
  }
});

test('a page from another origin is refused the seat socket', async () => {
  const other = http.createServer((request, response) => {
    response.setHeader('Content-Type', 'text/html');
    response.end('<!doctype html><title>other</title>');
  });
  await new Promise((resolve) => other.listen(0, '127.0.0.1', resolve));
  const page = await browser.newPage();
  try {
    await page.goto(`http://127.0.0.1:${other.address().port}/`);
    const seatSocket = new URL('ws', host.url.replace('http:', 'ws:')).href;
    const outcome = await page.evaluate((address) => new Promise((resolve) => {
      const socket = new WebSocket(address, 'pyrandel.v1');
      socket.onopen = () => resolve('open');
      socket.onclose = (event) => resolve(event.code);
    }), seatSocket);
    assert.equal(outcome, 1006, 'the handshake is refused (403), so the socket never opens');
  } finally {
    await page.close();
    other.close();
  }
});

test('a megabyte from the page closes its socket as too big', async () => {
  const page = await browser.newPage();
  try {
    await page.goto(host.url);
    const code = await page.evaluate(() => new Promise((resolve) => {
      const socket = new WebSocket(`ws://${location.host}/ws`, 'pyrandel.v1');
      socket.onopen = () => socket.send('x'.repeat(1 << 20));
      socket.onclose = (event) => resolve(event.code);
    }));
    assert.equal(code, 1009);
  } finally {
    await page.close();
  }
});
