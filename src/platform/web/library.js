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
