// Browsers playing through pyrandel-host --web: real chromium pages beside a raw TCP player, a whole match to a
// win with every board agreeing cell by cell, a reload in the middle of a match, a phone played by touch, and a
// page played by keyboard alone. Screenshots of the lobby and the battle view at both sizes go to the artifacts.

import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { TcpPlayer, joinFromLobby, lanePoint, launchBrowser, mayPlace, pageBoard, screenshot, startHost } from './harness.mjs';

const DESKTOP = { viewport: { width: 1280, height: 800 } };
const PHONE = { viewport: { width: 390, height: 844 }, hasTouch: true, isMobile: true, deviceScaleFactor: 2 };

/** @type {import('playwright-core').Browser} */
let browser;
before(async () => {
  browser = await launchBrowser();
});
after(async () => {
  await browser.close();
});

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Who may move now: a page's index, or 'tcp'.
async function whoseTurn(pages, tcp) {
  const deadline = Date.now() + 20_000;
  for (;;) {
    for (const [index, page] of pages.entries()) {
      if (await mayPlace(page)) {
        return index;
      }
    }
    if (tcp.lines.some((fields) => fields[0] === 'CAN_PUT')) {
      return 'tcp';
    }
    assert.ok(Date.now() < deadline, 'nobody got the turn');
    await sleep(50);
  }
}

async function clickLane(page, lane) {
  await page.locator('#board').click({ position: await lanePoint(page, lane) });
  await page.locator('#board[data-may-place="false"]').waitFor();
}

async function waitForBalls(tcp, count) {
  const deadline = Date.now() + 20_000;
  while (tcp.cells.filter((value) => value >= 0).length < count) {
    assert.ok(Date.now() < deadline, `the TCP player saw fewer than ${count} balls`);
    await sleep(50);
  }
}

test('two pages and a TCP player play a match to a win, and every board agrees', async () => {
  const host = await startHost();
  const contexts = [await browser.newContext(DESKTOP), await browser.newContext(DESKTOP)];
  const pages = await Promise.all(contexts.map((context) => context.newPage()));
  try {
    await joinFromLobby(pages[0], host.url, 'Aoi');
    await joinFromLobby(pages[1], host.url, 'Ben');
    const tcp = new TcpPlayer(host.port, 'Tcp');
    await pages[0].getByRole('list', { name: '現在の参加者' }).getByText('Tcp').waitFor();
    await pages[1].getByRole('textbox', { name: '発言の入力' }).fill('よろしく');
    await pages[1].getByRole('textbox', { name: '発言の入力' }).press('Enter');
    await tcp.take('CHAT');
    await screenshot(pages[0], 'lobby-desktop');
    await pages[0].getByRole('button', { name: '対戦開始！' }).click();
    await tcp.take('STARTVS');
    for (const page of pages) {
      await page.locator('#battle').waitFor();
    }
    // Aoi lines up five on the floor; the others share the rest of the floor, never five alike.
    const plans = { 0: [0, 2, 4, 6, 8], 1: [12, 16, 20, 24, 28], tcp: [7, 9, 11, 13, 15] };
    let moves = 0;
    while (plans[0].length > 0) {
      const mover = await whoseTurn(pages, tcp);
      if (mover === 'tcp') {
        await tcp.take('CAN_PUT');
        tcp.dropOnFloor(plans.tcp.shift());
      } else {
        await clickLane(pages[mover], plans[mover].shift());
      }
      moves += 1;
      await waitForBalls(tcp, moves);
    }
    await pages[0].getByRole('dialog').getByText('あなたの勝ちです').waitFor();
    await pages[1].getByRole('dialog').getByText('勝負あり！').waitFor();
    const board = tcp.board();
    assert.equal(board.replace(/\./g, '').length, moves);
    for (const page of pages) {
      assert.equal(await pageBoard(page), board);
    }
    await screenshot(pages[0], 'battle-desktop');
    assert.equal(await pages[0].title(), 'Pyrandel 対戦画面 - あなたの勝ちです');
    tcp.close();
  } finally {
    await Promise.all(contexts.map((context) => context.close()));
    await host.stop();
  }
});

test('a reload in the middle of a match keeps the seat and the board', async () => {
  const host = await startHost(7);
  const context = await browser.newContext(DESKTOP);
  const page = await context.newPage();
  try {
    await joinFromLobby(page, host.url, 'Aoi');
    const tcp = new TcpPlayer(host.port, 'Tcp');
    await page.getByRole('list', { name: '現在の参加者' }).getByText('Tcp').waitFor();
    await page.getByRole('button', { name: '対戦開始！' }).click();
    await tcp.take('STARTVS');
    const lanes = [10, 14, 18];
    const cols = [1, 3, 5];
    let moves = 0;
    while (moves < 4) {
      if ((await whoseTurn([page], tcp)) === 'tcp') {
        await tcp.take('CAN_PUT');
        tcp.dropOnFloor(cols.shift());
      } else {
        await clickLane(page, lanes.shift());
      }
      moves += 1;
      await waitForBalls(tcp, moves);
      if (moves === 2) {
        await page.reload();
        await page.locator('#battle').waitFor();
        assert.equal(await page.getByRole('list', { name: '現在の参加者' }).getByRole('listitem').count(), 2);
        await page.waitForFunction((expected) => document.querySelector('#board')?.getAttribute('data-cells') === expected, tcp.board());
      }
    }
    assert.equal(await pageBoard(page), tcp.board());
    tcp.close();
  } finally {
    await context.close();
    await host.stop();
  }
});

test('a phone held upright plays by touch: a tap shows the spot, a second tap drops', async () => {
  const host = await startHost(3);
  const context = await browser.newContext(PHONE);
  const page = await context.newPage();
  try {
    await joinFromLobby(page, host.url, 'スマホ');
    const tcp = new TcpPlayer(host.port, 'Tcp');
    await page.getByRole('list', { name: '現在の参加者' }).getByText('Tcp').waitFor();
    await screenshot(page, 'lobby-phone');
    await page.getByRole('button', { name: '対戦開始！' }).click();
    await tcp.take('STARTVS');
    if ((await whoseTurn([page], tcp)) === 'tcp') {
      await tcp.take('CAN_PUT');
      tcp.dropOnFloor(15);
    }
    await page.locator('#board[data-may-place="true"]').waitFor();
    const board = page.locator('#board');
    const point = await lanePoint(page, 6);
    await board.tap({ position: point });
    await page.locator('#board[data-marker="6"]').waitFor();
    assert.ok(await mayPlace(page), 'one tap only shows where the ball would rest');
    await board.tap({ position: point });
    const plot = await tcp.take('PLOT');
    assert.deepEqual(plot.slice(2, 4), ['3', '0']);
    await screenshot(page, 'battle-phone');
    tcp.close();
  } finally {
    await context.close();
    await host.stop();
  }
});

test('a page is played with the keyboard alone', async () => {
  const host = await startHost(5);
  const context = await browser.newContext(DESKTOP);
  const page = await context.newPage();
  try {
    await page.goto(host.url);
    await page.getByLabel('お名前').waitFor();
    await page.locator('#name-label:not(:empty)').waitFor();
    await page.keyboard.press('Tab');
    await page.keyboard.type('Keys');
    await page.keyboard.press('Tab');
    await page.keyboard.press('Enter');
    const tcp = new TcpPlayer(host.port, 'Tcp');
    await page.getByRole('list', { name: '現在の参加者' }).getByText('Tcp').waitFor();
    // Back from the connect button (the name is disabled while connected) to "対戦開始！".
    await page.keyboard.press('Shift+Tab');
    assert.equal(await page.evaluate(() => document.activeElement?.textContent), '対戦開始！');
    await page.keyboard.press('Enter');
    await tcp.take('STARTVS');
    if ((await whoseTurn([page], tcp)) === 'tcp') {
      await tcp.take('CAN_PUT');
      tcp.dropOnFloor(15);
    }
    await page.locator('#board[data-may-place="true"]').waitFor();
    assert.equal(await page.evaluate(() => document.activeElement?.id), 'board');
    // Right twice: lane 0, then lane 2 (the odd lane between has no spot on an empty floor).
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('ArrowRight');
    await page.locator('#board[data-marker="2"]').waitFor();
    await page.keyboard.press('ArrowLeft');
    await page.keyboard.press('Space');
    const plot = await tcp.take('PLOT');
    assert.deepEqual(plot.slice(2, 4), ['0', '0']);
    await page.keyboard.press('Escape');
    await tcp.take('END_VS');
    await page.locator('#battle').waitFor({ state: 'hidden' });
    tcp.close();
  } finally {
    await context.close();
    await host.stop();
  }
});
