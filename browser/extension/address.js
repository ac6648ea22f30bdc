// Whether a search box's text is a web address (opened as it is) or words
// (searched with the browser's engine).

// A scheme, or a host name with a dot or a port and nothing after it but a path.
const kSchemePattern = /^[a-z][a-z0-9+.-]*:\/\/\S+$/i;
const kHostPattern = /^(localhost|[a-z0-9-]+(\.[a-z0-9-]+)+|\[[0-9a-f:]+\])(:\d{1,5})?([/?#]\S*)?$/i;

export function IsAddress(text) {
  return kSchemePattern.test(text) || kHostPattern.test(text);
}

export function ToAddress(text) {
  return kSchemePattern.test(text) ? text : `http://${text}`;
}
