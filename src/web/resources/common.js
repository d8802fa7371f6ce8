// What every page of the station's web view shares: the header with its links and the
// login, requests to the API, and the texts of values, alarms and moments.
'use strict';

const Zeltar = (() => {
  const kindNames = { high: 'Выше верхней границы', low: 'Ниже нижней границы',
    nolink: 'Нет связи', break: 'Обрыв датчика' };
  const stateNames = { active: 'Активна', acknowledged: 'Квитирована',
    returned: 'Вернулась в норму, не квитирована', normal: 'Норма' };
  const number = new Intl.NumberFormat('ru-RU', { maximumFractionDigits: 4 });

  // An element with attributes and children; texts always go in as text, never as markup.
  function el(tag, attributes, ...children) {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(attributes || {})) {
      if (value !== undefined && value !== null && value !== false) node.setAttribute(key, value);
    }
    for (const child of children.flat()) {
      if (child !== null && child !== undefined) {
        node.append(child instanceof Node ? child : document.createTextNode(String(child)));
      }
    }
    return node;
  }

  async function api(path, options) {
    const reply = await fetch(path, Object.assign({ credentials: 'same-origin' }, options));
    if (reply.status === 401) {
      location.href = '/login';
      throw new Error('Нужно войти');
    }
    if (!reply.ok) {
      let text = reply.statusText;
      try { text = (await reply.json()).error || text; } catch (e) { /* no JSON */ }
      throw new Error(text);
    }
    return reply.json();
  }

  function valueText(device) {
    if (device.nolink) return 'Нет связи';
    if (device.break) return 'Обрыв';
    if (device.value === null || device.value === undefined) return '—';
    return number.format(device.value);
  }
  function numberText(value) {
    return value === null || value === undefined ? '' : number.format(value);
  }

  // "2026-12-09T10:00:00" of a Date in local time, as the API takes and gives moments.
  function iso(date) {
    const two = (v) => String(v).padStart(2, '0');
    return `${date.getFullYear()}-${two(date.getMonth() + 1)}-${two(date.getDate())}T` +
      `${two(date.getHours())}:${two(date.getMinutes())}:${two(date.getSeconds())}`;
  }
  function momentText(text) {
    return text ? new Date(text.substring(0, 19)).toLocaleString('ru-RU') : '—';
  }

  let status = null;
  function header() {
    const bar = document.querySelector('header');
    if (!bar) return;
    const page = document.body.dataset.page;
    const link = (href, name, text) =>
      el('a', { href, class: page === name ? 'current' : null }, text);
    bar.replaceChildren(el('span', { class: 'title' }, 'Станция Zeltar'),
      link('/', 'overview', 'Обзор'), link('/journal', 'journal', 'Журнал'),
      link('/alarms', 'alarms', 'Тревоги'));
    const session = status.session || {};
    if (session.user) {
      const out = el('button', { type: 'button', id: 'logout' }, 'Выйти');
      out.addEventListener('click', async () => {
        await fetch('/logout', { method: 'POST', headers: { 'X-CSRF-Token': session.csrf } });
        location.href = '/login';
      });
      bar.append(el('span', { id: 'user' }, session.user), out);
    } else {
      bar.append(el('a', { href: '/login', id: 'login' }, 'Войти'));
    }
  }

  function loginPage() {
    const error = new URLSearchParams(location.search).get('error');
    const box = document.getElementById('error');
    if (error && box) {
      box.textContent = error === 'wait' ? 'Слишком много попыток. Подождите минуту.'
        : 'Неверное имя пользователя или пароль.';
      box.hidden = false;
    }
  }

  const ready = (async () => {
    if (document.body.dataset.page === 'login') {
      loginPage();
      return null;
    }
    status = await api('/api/v1/status');
    header();
    return status;
  })();

  return { el, api, valueText, numberText, iso, momentText, kindNames, stateNames, ready };
})();
