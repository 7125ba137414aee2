// @ts-check
// A short tone for the turn and the win (Web Audio, made here: no sound file). Off unless the player turns it on.

/** @type {AudioContext | null} */
let context = null;

/** @param {'your_turn' | 'you_win'} what */
export function playTone(what) {
  try {
    context ??= new AudioContext();
    const notes = what === 'you_win' ? [523.25, 659.25, 783.99] : [659.25, 880];
    let at = context.currentTime;
    for (const frequency of notes) {
      const oscillator = context.createOscillator();
      const gain = context.createGain();
      oscillator.frequency.value = frequency;
      oscillator.type = 'sine';
      gain.gain.setValueAtTime(0.15, at);
      gain.gain.exponentialRampToValueAtTime(0.001, at + 0.18);
      oscillator.connect(gain).connect(context.destination);
      oscillator.start(at);
      oscillator.stop(at + 0.2);
      at += 0.12;
    }
  } catch {
    // A browser without sound plays nothing.
  }
}
