// SPDX-License-Identifier: MIT
// The page's own script: it starts the program (flyover.js), gives it the
// key buttons, full screen, a screen that stays awake, a WebGL context the
// browser may take away and give back, and files kept for visits without
// the network. A file of its own, as the page's policy runs no inline script.
var statusline = document.getElementById('status');
var keys = document.getElementById('keys');
var running = false;
var emulationnotices = [
  'WARNING: using emscripten GL emulation. This is a collection of limited workarounds, do not expect it to work.',
  'WARNING: using emscripten GL immediate mode emulation. This is very limited in what it supports',
];
var lastline = '';
var Module = {
  canvas: document.getElementById('canvas'),
  // What the program and the runtime write on the error stream goes to the
  // console; the page shows only what stops the flight: the line of a failed
  // start, or an abort. The runtime's other lines warn of a flight that goes
  // on (two of a slower start, where a host serves flyover.wasm as another
  // type). Emscripten's OpenGL emulation announces itself on every start
  // with two lines that are not the program's.
  printErr: function (text) {
    if (emulationnotices.indexOf(text) >= 0)
      return;
    console.error(text);
    lastline = text;
  },
  onAbort: function (what) {
    stopped('Aborted(' + what + ')');
  },
  onExit: function (code) {
    stopped(code === 0 ? 'The demo has ended.' : lastline);
    if (code === 0)
      document.getElementById('again').hidden = false;
  },
};

function stopped(why) {
  running = false;
  awake(false);
  statusline.textContent = why;
}

function fly() {
  running = true;
  awake(true);
  var program = document.createElement('script');
  program.src = 'flyover.js';
  document.body.appendChild(program);
}

// Starts the page again, with a new flight, without asking again whether
// to fly: the person asked for this flight already.
function flyagain() {
  try {
    sessionStorage.setItem('flyover-fly', '1');
  } catch (e) {
    // Without storage a person who asked for reduced motion is asked again.
  }
  location.reload();
}

// Where the system asks for reduced motion, the flight waits for the
// person to start it; elsewhere, and on the page's own restarts, it starts
// at once.
var asked = false;
try {
  asked = sessionStorage.getItem('flyover-fly') === '1';
  sessionStorage.removeItem('flyover-fly');
} catch (e) {
  // no storage: nothing was asked
}
var flybutton = document.getElementById('fly');
if (!asked && matchMedia('(prefers-reduced-motion: reduce)').matches) {
  flybutton.hidden = false;
  flybutton.addEventListener('click', function () {
    flybutton.hidden = true;
    fly();
  });
} else {
  fly();
}

// The browser takes the WebGL context away when the GPU resets, or from a
// page long in the background, and gives it back only to a page that
// cancelled the loss. Until then the program waits in its frame's delay
// (library.js) and draws nothing. Everything the program had made on the
// GPU went with the context, so once it is back the page starts a new flight.
// A browser may also keep it (one that gives up on its GPU, say): after a
// wait the page says so and offers the new flight itself, to a person who
// would otherwise look at a frozen picture.
var givebackwait = 10000; // ms
Module.canvas.addEventListener('webglcontextlost', function (event) {
  event.preventDefault();
  Module.contextlost = true;
  if (running)
    setTimeout(function () {
      statusline.textContent = 'The browser took the graphics away and has not given them back.';
      document.getElementById('again').hidden = false;
    }, givebackwait);
});
Module.canvas.addEventListener('webglcontextrestored', function () {
  if (running)
    flyagain();
});

// Each key button gives the program what its key gives: a key-down and a
// key-up in SDL's event queue (Module.presskey, from library.js).
keys.addEventListener('click', function (event) {
  var key = event.target.closest('[data-key]');
  if (key && Module.presskey)
    Module.presskey(Number(key.dataset.key));
});
// SDL takes every key from the whole page and cancels what the browser
// would do with it. Tab, and Enter or Space on a button, are the browser's:
// they move between the buttons and press them. The program uses none.
document.addEventListener('keydown', function (event) {
  if (event.key === 'Tab' || ((event.key === 'Enter' || event.key === ' ') &&
                              event.target.closest('button')))
    event.stopPropagation();
}, true);
document.getElementById('again').addEventListener('click', flyagain);

// Full screen: the button, or a double click or tap on the picture. Phones
// turn the picture on its side there, where the browser allows it.
function fullscreen() {
  if (document.fullscreenElement)
    return document.exitFullscreen();
  if (!document.fullscreenEnabled)
    return;
  document.documentElement.requestFullscreen({navigationUI: 'hide'}).then(function () {
    if (screen.orientation && screen.orientation.lock)
      return screen.orientation.lock('landscape');
  }).catch(function () {});
}
var fullscreenbutton = document.getElementById('fullscreen');
fullscreenbutton.hidden = !document.fullscreenEnabled; // iPhones have none for pages
fullscreenbutton.addEventListener('click', fullscreen);
// Two taps are told apart by when they happened (the events' own time), not
// by when this runs: on a busy phone the handler can run a second late.
var lasttap = {time: -Infinity, x: 0, y: 0};
Module.canvas.addEventListener('pointerup', function (event) {
  var near = Math.abs(event.clientX - lasttap.x) + Math.abs(event.clientY - lasttap.y) < 40;
  if (event.timeStamp - lasttap.time < 400 && near) {
    lasttap.time = -Infinity;
    fullscreen();
  } else {
    lasttap = {time: event.timeStamp, x: event.clientX, y: event.clientY};
  }
});

// In full screen the buttons fade after a few seconds without input and
// come back with the next touch, click, move or key.
var idletimer = 0;
function stir() {
  keys.classList.remove('idle');
  clearTimeout(idletimer);
  if (document.fullscreenElement)
    idletimer = setTimeout(function () { keys.classList.add('idle'); }, 3000);
}
['pointermove', 'pointerdown', 'keydown', 'fullscreenchange'].forEach(function (type) {
  document.addEventListener(type, stir, true);
});

// The screen stays awake while the demo runs, where the browser can keep
// it so. The browser gives the lock back when the page is hidden; it is
// taken again when the page shows while the demo still runs.
var wakelock = null;
function awake(wanted) {
  if (wakelock) {
    wakelock.release().catch(function () {});
    wakelock = null;
  }
  if (wanted && running && navigator.wakeLock && document.visibilityState === 'visible')
    navigator.wakeLock.request('screen').then(function (lock) {
      if (running)
        wakelock = lock;
      else
        lock.release();
    }).catch(function () {});
}
document.addEventListener('visibilitychange', function () {
  awake(document.visibilityState === 'visible');
});

// The page's files are kept for visits without the network. Without a
// service worker (plain http from another host) or storage the page simply
// needs the network.
if (navigator.serviceWorker)
  navigator.serviceWorker.register('sw.js').catch(function () {});
