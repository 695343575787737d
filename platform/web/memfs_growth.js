// The page's files live in emscripten's in-memory file system, which grows a
// file of more than 1 MiB by an eighth at a time: writing a bank of a few
// hundred MiB then copies it a dozen times over. Doubling, as it already
// does for small files, copies it at most twice.
Module['preRun'] = [].concat(Module['preRun'] || [], function growFilesByDoubling() {
  var expand = MEMFS.expandFileStorage;
  MEMFS.expandFileStorage = function (node, capacity) {
    var had = node.contents ? node.contents.length : 0;
    if (had < capacity) expand(node, Math.max(capacity, had * 2));
  };
});
