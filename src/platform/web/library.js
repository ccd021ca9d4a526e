// SPDX-License-Identifier: MIT
// The web platform layer's JavaScript part, linked into the browser edition
// in place of Emscripten's own versions of these functions.
mergeInto(LibraryManager.library, {
  // Emscripten's SDL_Quit writes "SDL_Quit called (and ignored)" on the
  // console, a line the program never writes; this one only stops the sound,
  // as that one does, and says nothing.
  SDL_Quit__deps: ['SDL_AudioQuit'],
  SDL_Quit: function() {
    _SDL_AudioQuit();
  },

  // Emscripten's SDL_SetError forgets the message, so SDL_GetError could
  // never say why something failed. This keeps it (as it stands: the
  // layer's messages have no conversions to format).
  SDL_SetError__deps: ['$SDL'],
  SDL_SetError: function(fmt) {
    if (SDL.errorMessage)
      _free(SDL.errorMessage);
    SDL.errorMessage = allocateUTF8(UTF8ToString(fmt));
  },

  // The frame's delay, as Emscripten's, yielding to the browser; but while
  // the page's WebGL context is lost (Module.contextlost, set by page.js)
  // the program stays in it, drawing nothing, until the page starts anew.
  SDL_Delay__deps: ['$safeSetTimeout'],
  SDL_Delay: function(delay) {
    Asyncify.handleSleep(function(wakeUp) {
      safeSetTimeout(function() {
        if (!Module['contextlost'])
          wakeUp();
      }, delay);
    });
  },

  // The page's key buttons: a key-down and a key-up of the key with this
  // DOM key code, queued as SDL queues the keyboard's own, so that the
  // program gets exactly the events the key gives. Given to the page as
  // Module.presskey.
  presskey__deps: ['$SDL'],
  presskey__postset: 'Module["presskey"] = _presskey;',
  presskey: function(keyCode) {
    SDL.events.push({type: 'keydown', keyCode: keyCode}, {type: 'keyup', keyCode: keyCode});
  },

  // WebGL always interpolates colours across a primitive, which is what
  // GL_SMOOTH asks; the emulation's own version only warns that it does
  // nothing.
  glShadeModel: function(mode) {},

  // WebGL always interpolates in perspective, which is what
  // GL_PERSPECTIVE_CORRECTION_HINT asks for at its best; WebGL does not
  // know the hint and logs an error for it.
  glHint: function(target, mode) {
    if (target != 0x0C50 /* GL_PERSPECTIVE_CORRECTION_HINT */)
      GLctx.hint(target, mode);
  },
});
