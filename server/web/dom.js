// Building the pages: elements with their text always set as text, never parsed as HTML.

// h('a', {href, class, onclick}, 'text', child, [more]) → an element.
export function h(tag, props, ...children) {
  const el = document.createElement(tag);
  setProps(el, props);
  add(el, children);
  return el;
}

// The same for SVG elements.
export function svg(tag, props, ...children) {
  const el = document.createElementNS('http://www.w3.org/2000/svg', tag);
  setProps(el, props);
  add(el, children);
  return el;
}

function setProps(el, props) {
  for (const [key, value] of Object.entries(props ?? {})) {
    if (value === undefined || value === null || value === false) continue;
    if (key.startsWith('on') && typeof value === 'function') {
      el.addEventListener(key.slice(2), value);
    } else if (key === 'class') {
      el.setAttribute('class', value);
    } else if (key === 'dataset') {
      Object.assign(el.dataset, value);
    } else if (key === 'value' || key === 'checked' || key === 'selected') {
      el[key] = value;
    } else {
      el.setAttribute(key, value === true ? '' : String(value));
    }
  }
}

// Appends children: nodes as they are, anything else as a text node.
export function add(el, children) {
  for (const child of [children].flat(Infinity)) {
    if (child === null || child === undefined || child === false) continue;
    el.append(child instanceof Node ? child : document.createTextNode(String(child)));
  }
  return el;
}

export function clear(el) {
  el.replaceChildren();
  return el;
}

// A labelled form field: the label names the control for assistive technology.
let fieldCount = 0;
export function field(labelText, control) {
  if (!control.id) control.id = `f${++fieldCount}`;
  return h('div', { class: 'field' }, h('label', { for: control.id }, labelText), control);
}
