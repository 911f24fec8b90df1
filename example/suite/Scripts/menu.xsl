<?xml version="1.0" encoding="UTF-8"?>
<!--
  The groups of a regression report as a list: status, title, number of
  tests and the five counts of each group.

    xsltproc -o RUN_menu.htm Style/menu.xsl RUN.xml

  Each entry links to the group's section (id "g" + the group's id) of the
  page named by the parameter target: empty for the same page, or for
  example "RUN_detail.htm" for the page that detail.xsl made.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

  <xsl:output method="html" encoding="UTF-8" indent="yes" doctype-system="about:legacy-compat"/>

  <xsl:param name="style-location" select="'Style'"/>
  <xsl:param name="target" select="''"/>

  <xsl:template match="/">
    <html lang="en">
      <head>
        <title>Regression test report: groups</title>
        <link rel="stylesheet" href="{$style-location}/style.css"/>
      </head>
      <body class="rt-view-menu">
        <div id="rt-root">
          <h2 class="rt-section-title">Groups</h2>
          <xsl:choose>
            <xsl:when test="KxRegTester//Group">
              <ul class="rt-menu">
                <xsl:apply-templates select="KxRegTester//Group"/>
              </ul>
            </xsl:when>
            <xsl:otherwise><p class="rt-empty">The report holds no groups.</p></xsl:otherwise>
          </xsl:choose>
        </div>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="Group">
    <xsl:variable name="s" select="Summary"/>
    <xsl:variable name="status">
      <xsl:choose>
        <xsl:when test="$s/Errors[normalize-space(.) != '0'] or $s/ExtErrors[normalize-space(.) != '0']">fail</xsl:when>
        <xsl:when test="not($s)">open</xsl:when>
        <xsl:when test="$s/*[normalize-space(.) != '0']">warn</xsl:when>
        <xsl:otherwise>pass</xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <xsl:variable name="tests" select="count(Test | No_Obj_Spec)"/>
    <li class="rt-menu-item rt-{$status}">
      <span class="rt-badge rt-badge-{$status}">
        <xsl:value-of select="translate($status, 'abcdefghijklmnopqrstuvwxyz', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ')"/>
      </span>
      <xsl:text> </xsl:text>
      <a href="{$target}#g{@id}">
        <xsl:choose>
          <xsl:when test="Title"><xsl:value-of select="Title"/></xsl:when>
          <xsl:when test="$s">(untitled group)</xsl:when>
          <xsl:otherwise>(group not finished)</xsl:otherwise>
        </xsl:choose>
      </a>
      <xsl:text> </xsl:text>
      <span class="rt-menu-tests">
        <xsl:value-of select="$tests"/>
        <xsl:choose>
          <xsl:when test="$tests = 1"> test</xsl:when>
          <xsl:otherwise> tests</xsl:otherwise>
        </xsl:choose>
      </span>
      <xsl:text> </xsl:text>
      <span class="rt-counts">
        <xsl:call-template name="count">
          <xsl:with-param name="name" select="'KxErrors'"/><xsl:with-param name="label" select="'KxE'"/>
          <xsl:with-param name="value" select="$s/KxErrors"/>
        </xsl:call-template>
        <xsl:call-template name="count">
          <xsl:with-param name="name" select="'Errors'"/><xsl:with-param name="label" select="'E'"/>
          <xsl:with-param name="value" select="$s/Errors"/>
        </xsl:call-template>
        <xsl:call-template name="count">
          <xsl:with-param name="name" select="'Warnings'"/><xsl:with-param name="label" select="'W'"/>
          <xsl:with-param name="value" select="$s/Warnings"/>
        </xsl:call-template>
        <xsl:call-template name="count">
          <xsl:with-param name="name" select="'ExtErrors'"/><xsl:with-param name="label" select="'EE'"/>
          <xsl:with-param name="value" select="$s/ExtErrors"/>
        </xsl:call-template>
        <xsl:call-template name="count">
          <xsl:with-param name="name" select="'ExtWarnings'"/><xsl:with-param name="label" select="'EW'"/>
          <xsl:with-param name="value" select="$s/ExtWarnings"/>
        </xsl:call-template>
      </span>
    </li>
  </xsl:template>

  <xsl:template name="count">
    <xsl:param name="name"/>
    <xsl:param name="label"/>
    <xsl:param name="value"/>
    <span title="{$name}">
      <xsl:attribute name="class">
        <xsl:text>rt-count rt-count-</xsl:text><xsl:value-of select="$name"/>
        <xsl:if test="$value and normalize-space($value) != '0'"> rt-nonzero</xsl:if>
      </xsl:attribute>
      <span class="rt-count-label"><xsl:value-of select="$label"/></span>
      <span class="rt-count-value">
        <xsl:choose>
          <xsl:when test="$value"><xsl:value-of select="normalize-space($value)"/></xsl:when>
          <xsl:otherwise>&#8211;</xsl:otherwise>
        </xsl:choose>
      </span>
    </span>
  </xsl:template>

</xsl:stylesheet>
